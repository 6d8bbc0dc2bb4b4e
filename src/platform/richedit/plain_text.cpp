#include "plain_text.h"

#include "rtf_reader.h"

namespace quill {

void PlainTextSink::StartContent()
{
    if (paragraphEnded_)
        text_ += u'\n';
    paragraphEnded_ = false;
}

void PlainTextSink::Text(QStringView text, const rtf::CharFormat&)
{
    StartContent();
    text_ += text;
}

void PlainTextSink::InsertPicture(rtf::Picture&&, const rtf::CharFormat&)
{
    StartContent();
}

void PlainTextSink::EndParagraph(const rtf::ParaFormat&, const rtf::CharFormat&)
{
    StartContent();
    paragraphEnded_ = true;
    hadParagraphs_ = true;
}

QString PlainTextSink::TakeText()
{
    text_.replace(QChar(0x2028), u'\n');
    paragraphEnded_ = false;
    return std::move(text_);
}

QString BodyPlainText(std::string_view body)
{
    QString text;
    if (rtf::ReadRtfPlainText(body, text))
        return text;
    PlainTextSink sink;
    rtf::ReadPlainText(body, rtf::PlainEncoding::Windows1252, sink);
    return sink.TakeText();
}

QString BodyPlainLines(std::string_view body)
{
    QString text;
    bool paragraphs = false;
    if (!rtf::ReadRtfPlainText(body, text, nullptr, nullptr, &paragraphs)) {
        PlainTextSink sink;
        rtf::ReadPlainText(body, rtf::PlainEncoding::Windows1252, sink);
        paragraphs = sink.HadParagraphs();
        text = sink.TakeText();
    }
    if (paragraphs)
        text += u'\n';
    return text;
}

namespace {

char16_t Fold(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    if (c == 0x2028)
        return u'\n'; // a soft line break before the text is finished
    return QChar::toCaseFolded(c);
}

} // namespace

BodySearch::BodySearch(const QString& text)
{
    folded_.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        folded_[i] = QChar(Fold(text[i].unicode()));
    const qsizetype m = folded_.size();
    shift_.fill(m);
    for (qsizetype k = 0; k + 1 < m; ++k)
        shift_[folded_[k].unicode() & 0xFF] = m - 1 - k;
}

bool BodySearch::Contains(QStringView text) const
{
    return ContainsFrom(text, 0);
}

bool BodySearch::ContainsFrom(QStringView text, qsizetype from) const
{
    const qsizetype m = folded_.size();
    const qsizetype n = text.size();
    if (m == 0)
        return true;
    const auto* hay = reinterpret_cast<const char16_t*>(text.utf16());
    const auto* needle = reinterpret_cast<const char16_t*>(folded_.utf16());
    const char16_t last = needle[m - 1];
    for (qsizetype i = std::max<qsizetype>(from, 0); i + m <= n;) {
        const char16_t c = Fold(hay[i + m - 1]);
        if (c == last) {
            qsizetype k = m - 2;
            while (k >= 0 && Fold(hay[i + k]) == needle[k])
                --k;
            if (k < 0)
                return true;
        }
        i += shift_[c & 0xFF];
    }
    return false;
}

bool BodySearch::Matches(std::string_view body) const
{
    if (folded_.isEmpty())
        return true;
    // Paragraph by paragraph: a body that has the text early is not read to its end.
    const qsizetype overlap = folded_.size() - 1;
    qsizetype searched = 0; // where the next search starts
    const rtf::PlainTextCheck found = [&](QStringView text) {
        const bool hit = ContainsFrom(text, searched);
        searched = std::max<qsizetype>(0, text.size() - overlap);
        return hit;
    };
    QString text;
    bool stopped = false;
    if (rtf::ReadRtfPlainText(body, text, &found, &stopped))
        return stopped || ContainsFrom(text, searched);
    return Contains(BodyPlainText(body));
}

} // namespace quill
