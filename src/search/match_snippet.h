#pragma once

#include <QString>

namespace quill {

// About this many characters of text around a match are shown.
constexpr int kSnippetLength = 80;

// The text around the first match of `text` in `plain`, ignoring letter case, as rich text
// for a tooltip: the match in bold, line ends as spaces, "…" where the text goes on.
// Empty when there is no match.
QString MatchSnippet(const QString& plain, const QString& text);

} // namespace quill
