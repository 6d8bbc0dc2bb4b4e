#include "link_detection.h"

#include <QTextBlock>

#include <array>

namespace quill::richtext {

namespace {

constexpr std::array<std::u16string_view, 20> kPrefixes = {
    u"http:", u"https:", u"ftp:", u"mailto:", u"www.", u"file:", u"news:", u"nntp:", u"telnet:", u"gopher:",
    u"wais:", u"prospero:", u"notes:", u"callto:", u"tel:", u"sip:", u"sips:", u"onenote:", u"outlook:", u"ms-help:",
};

bool EndsAddress(QChar c)
{
    return c.isSpace() || c == QChar::LineSeparator || c == QChar::ObjectReplacementCharacter || c == u'<' ||
           c == u'>' || c == u'"';
}

bool IsTrailingPunctuation(QChar c)
{
    return c == u'.' || c == u',' || c == u';' || c == u':' || c == u'!' || c == u'?' || c == u'\'' || c == u')' ||
           c == u']' || c == u'}';
}

qsizetype PrefixAt(QStringView text, qsizetype i)
{
    const char16_t first = QChar::toLower(text[i].unicode());
    for (std::u16string_view prefix : kPrefixes) {
        if (prefix.front() != first || text.size() - i <= static_cast<qsizetype>(prefix.size()))
            continue;
        if (text.mid(i, static_cast<qsizetype>(prefix.size()))
                .compare(QStringView(prefix.data(), static_cast<qsizetype>(prefix.size())), Qt::CaseInsensitive) == 0)
            return static_cast<qsizetype>(prefix.size());
    }
    return 0;
}

} // namespace

std::vector<LinkRange> DetectLinks(QStringView text)
{
    std::vector<LinkRange> links;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!text[i].isLetter() || (i > 0 && (text[i - 1].isLetterOrNumber() || text[i - 1] == u'_')))
            continue;
        const qsizetype prefix = PrefixAt(text, i);
        if (prefix == 0)
            continue;
        qsizetype end = i + prefix;
        while (end < n && !EndsAddress(text[end]))
            ++end;
        // Closing punctuation ends a sentence rather than the address, unless the address
        // opened it, as in page_(one).
        while (end > i + prefix && IsTrailingPunctuation(text[end - 1])) {
            const QChar last = text[end - 1];
            if (last == u')' && text.mid(i, end - i).count(u'(') >= text.mid(i, end - i).count(u')'))
                break;
            --end;
        }
        if (end > i + prefix) {
            links.push_back({i, end - i});
            i = end - 1;
        }
    }
    return links;
}

LinkHighlighter::LinkHighlighter(QTextDocument* document) : QSyntaxHighlighter(document)
{
    linkFormat_.setForeground(QColor(0, 0, 255));
    linkFormat_.setFontUnderline(true);
}

void LinkHighlighter::SetDetection(bool on)
{
    if (detection_ == on)
        return;
    detection_ = on;
    rehighlight();
}

void LinkHighlighter::highlightBlock(const QString& text)
{
    for (auto it = currentBlock().begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid() && fragment.charFormat().isAnchor())
            setFormat(fragment.position() - currentBlock().position(), fragment.length(), linkFormat_);
    }
    if (!detection_)
        return;
    for (const LinkRange& link : DetectLinks(text))
        setFormat(static_cast<int>(link.start), static_cast<int>(link.length), linkFormat_);
}

} // namespace quill::richtext
