#include "search/match_snippet.h"

#include <algorithm>

namespace quill {

namespace {

QString Shown(const QString& part)
{
    QString text = part;
    for (QChar& c : text)
        if (c == u'\n' || c == u'\t' || c == QChar(0x2028))
            c = u' ';
    return text.toHtmlEscaped();
}

} // namespace

QString MatchSnippet(const QString& plain, const QString& text)
{
    if (text.isEmpty())
        return {};
    const qsizetype at = plain.indexOf(text, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const qsizetype length = text.size();
    // The context is shared between both sides; what one side lacks goes to the other.
    const qsizetype context = std::max<qsizetype>(0, kSnippetLength - length);
    qsizetype before = std::min(at, context / 2);
    const qsizetype after = std::min(plain.size() - at - length, context - before);
    before = std::min(at, context - after);
    const qsizetype start = at - before;
    const qsizetype end = at + length + after;

    QString snippet;
    if (start > 0)
        snippet += QChar(0x2026);
    snippet += Shown(plain.mid(start, before));
    snippet += QStringLiteral("<b>") + Shown(plain.mid(at, length)) + QStringLiteral("</b>");
    snippet += Shown(plain.mid(at + length, after));
    if (end < plain.size())
        snippet += QChar(0x2026);
    return snippet;
}

} // namespace quill
