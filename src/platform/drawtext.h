#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;
class QPaintDevice;

namespace quill {

// Option flags of the multi-line text drawing below. They combine with |.
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;           // single line only
constexpr unsigned DT_BOTTOM = 0x8;            // single line only
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_EXTERNALLEADING = 0x200; // lines are as high as the font's line spacing
constexpr unsigned DT_CALCRECT = 0x400;        // measure only: the rectangle is fitted to the text
constexpr unsigned DT_NOPREFIX = 0x800;        // "&" is shown as it stands
constexpr unsigned DT_END_ELLIPSIS = 0x8000;   // a line that does not fit ends in "..."

// Draws text into a rectangle (right and bottom exclusive) with the painter's font and
// pen colour and a transparent background, clipped to the rectangle unless DT_NOCLIP.
// Unless DT_NOPREFIX, "&x" shows x underlined and "&&" shows one ampersand.
// With DT_CALCRECT nothing is drawn: the rectangle's right and bottom edges are moved to
// fit the text (its widest line; one line high when empty). Returns the text's height.
int DrawText(QPainter& painter, const QString& text, QRect& rect, unsigned flags);

// DT_CALCRECT without a painter: the size the text takes in the font on the screen (or on
// the given device), with the flags that shape it (single line, word break, prefixes,
// external leading). For word break, width is the wrapping width.
QSize MeasureText(const QFont& font, const QString& text, unsigned flags, int width = 0,
                  QPaintDevice* device = nullptr);

// The text as shown: prefixes processed unless DT_NOPREFIX.
QString DisplayedText(const QString& text, unsigned flags);

} // namespace quill
