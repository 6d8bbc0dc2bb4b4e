#include "link_detection.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
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

// Every scheme ends in a colon and the other form is "www.", whose letters compare as 'w' or
// 'W' only: text with neither holds no address. Both searches are plain character scans.
bool MayHoldAddress(QStringView text)
{
    if (text.contains(u':'))
        return true;
    auto isW = [](QChar c) { return c == u'w' || c == u'W'; };
    for (qsizetype dot = text.indexOf(u'.', 3); dot >= 0; dot = text.indexOf(u'.', dot + 1)) {
        if (isW(text[dot - 1]) && isW(text[dot - 2]) && isW(text[dot - 3]))
            return true;
    }
    return false;
}

} // namespace

std::vector<LinkRange> DetectLinks(QStringView text)
{
    std::vector<LinkRange> links;
    if (!MayHoldAddress(text))
        return links;
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

LinkHighlighter::LinkHighlighter(QTextDocument* document) : QObject(document), document_(document)
{
    linkFormat_.setForeground(QColor(0, 0, 255));
    linkFormat_.setFontUnderline(true);
    connect(document, &QTextDocument::contentsChange, this, &LinkHighlighter::Refresh);
}

void LinkHighlighter::SetDetection(bool on)
{
    if (detection_ == on)
        return;
    detection_ = on;
    for (QTextBlock block = document_->begin(); block.isValid(); block = block.next())
        RefreshBlock(block, false);
}

// The paragraphs from the one `from` is in through the one holding the end of the change
// (and the one after a removal, which may have joined it).
void LinkHighlighter::Refresh(int from, int removed, int added)
{
    QTextBlock block = document_->findBlock(from);
    const QTextBlock last = document_->findBlock(from + added + (removed > 0 ? 1 : 0));
    const QTextBlock end = last.isValid() ? last.next() : QTextBlock();
    // A change that inserted the whole document brought only new paragraphs, which have no
    // formats yet: those without links need no layout made for them now.
    const bool fresh = from == 0 && removed == 0 && added == document_->characterCount();
    for (; block.isValid() && block != end; block = block.next())
        RefreshBlock(block, fresh);
}

void LinkHighlighter::RefreshBlock(const QTextBlock& block, bool fresh)
{
    // The characters shown as links: text with the link attribute and detected addresses.
    std::vector<std::pair<int, int>> spans; // [start, end) in the paragraph
    const int position = block.position();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid() && fragment.charFormat().isAnchor())
            spans.emplace_back(fragment.position() - position, fragment.position() - position + fragment.length());
    }
    if (detection_) {
        const QString text = block.text();
        for (const LinkRange& link : DetectLinks(text))
            spans.emplace_back(static_cast<int>(link.start), static_cast<int>(link.start + link.length));
    }
    std::sort(spans.begin(), spans.end());
    QList<QTextLayout::FormatRange> ranges;
    for (const auto& [start, end] : spans) {
        if (!ranges.isEmpty() && start <= ranges.last().start + ranges.last().length) {
            ranges.last().length = std::max(ranges.last().length, end - ranges.last().start);
            continue;
        }
        ranges.append({start, end - start, linkFormat_});
    }
    if (fresh && ranges.isEmpty())
        return;

    QTextLayout* layout = block.layout();
    // While an input method composes text, the layout holds the formats of its preedit text:
    // those stay, and the links around the preedit text move past it.
    const int preeditStart = layout->preeditAreaPosition();
    const int preeditLength = static_cast<int>(layout->preeditAreaText().size());
    if (preeditLength > 0) {
        for (QTextLayout::FormatRange& range : ranges) {
            if (range.start >= preeditStart)
                range.start += preeditLength;
            else if (range.start + range.length >= preeditStart)
                range.length += preeditLength;
        }
        QList<QTextLayout::FormatRange> preedit = layout->formats();
        preedit.removeIf([&](const QTextLayout::FormatRange& range) {
            return range.start < preeditStart || range.start + range.length > preeditStart + preeditLength;
        });
        ranges = preedit + ranges;
    }
    if (ranges == layout->formats())
        return;
    layout->setFormats(ranges);
    document_->markContentsDirty(position, block.length());
}

} // namespace quill::richtext
