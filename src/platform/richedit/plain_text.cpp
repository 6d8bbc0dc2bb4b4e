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
}

QString PlainTextSink::TakeText()
{
    text_.replace(QChar(0x2028), u'\n');
    paragraphEnded_ = false;
    return std::move(text_);
}

QString BodyPlainText(std::string_view body)
{
    PlainTextSink sink;
    rtf::Tables tables;
    if (!rtf::ReadRtf(body, sink, tables))
        rtf::ReadPlainText(body, rtf::PlainEncoding::Windows1252, sink);
    return sink.TakeText();
}

BodySearch::BodySearch(const QString& text) : matcher_(text, Qt::CaseInsensitive) {}

bool BodySearch::Matches(std::string_view body) const
{
    if (matcher_.pattern().isEmpty())
        return true;
    return matcher_.indexIn(BodyPlainText(body)) >= 0;
}

} // namespace quill
