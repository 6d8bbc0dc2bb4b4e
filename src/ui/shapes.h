#pragma once

#include "platform/syscolors.h"

#include <QImage>
#include <QRect>
#include <QRegion>

#include <optional>

namespace quill {

// Rounded rectangles rasterised the one way the whole program uses: a pixel belongs to the
// shape when its centre lies inside. A box is a QRect whose x + width and y + height are
// the exclusive right and bottom edges. The corner ellipse is ellipseWidth x ellipseHeight
// pixels, at most the box's size; 0 gives square corners.

// The horizontal run [first, last) of row y inside the rounded box, if the row has one.
struct Span {
    int first;
    int last;
};
std::optional<Span> RoundRectSpan(const QRect& box, int ellipseWidth, int ellipseHeight, int y);

// The rounded box as a region, for clipping.
QRegion RoundRectRegion(const QRect& box, int ellipseWidth, int ellipseHeight);

// The outline of a rounded rectangle drawn with a pen penWidth pixels wide (0 counts as 1)
// laid across the box's edge: it spreads penWidth / 2 pixels outward, so a box inset by
// that much keeps the whole outline inside the bitmap.
struct RoundFrame {
    QRect outer;
    int outerEllipse;
    QRect inner;
    int innerEllipse;
};
RoundFrame RoundFrameFor(const QRect& box, int ellipse, int penWidth);

// The outline of a rounded rectangle as a region (for painting on a canvas).
QRegion RoundFrameRegion(const QRect& box, int ellipse, int penWidth);

// Draws a rounded rectangle on a 24-bit bitmap: the outline in penColor and, when a
// brush colour is given, the inside filled with it. Clipped to the bitmap.
void DrawRoundRect(QImage& bitmap, const QRect& box, int ellipse, int penWidth, TColor penColor,
                   std::optional<TColor> brushColor);

} // namespace quill
