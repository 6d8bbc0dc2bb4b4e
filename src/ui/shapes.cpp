#include "ui/shapes.h"

#include "ui/bitmaps.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quill {

std::optional<Span> RoundRectSpan(const QRect& box, int ellipseWidth, int ellipseHeight, int y)
{
    const int left = box.x();
    const int right = box.x() + box.width();
    const int top = box.y();
    const int bottom = box.y() + box.height();
    if (y < top || y >= bottom || right <= left)
        return std::nullopt;
    const double a = std::clamp(ellipseWidth, 0, right - left) / 2.0;
    const double b = std::clamp(ellipseHeight, 0, bottom - top) / 2.0;
    if (a <= 0 || b <= 0)
        return Span{left, right};

    const double cy = y + 0.5;
    double dy = 0;
    if (cy < top + b)
        dy = top + b - cy;
    else if (cy > bottom - b)
        dy = cy - (bottom - b);
    if (dy <= 0)
        return Span{left, right};
    const double half = a * std::sqrt(std::max(0.0, 1.0 - (dy / b) * (dy / b)));
    // Pixel centres from left + a - half to right - a + half lie inside.
    const int first = static_cast<int>(std::ceil(left + a - half - 0.5 - 1e-9));
    const int last = static_cast<int>(std::floor(right - a + half - 0.5 + 1e-9)) + 1;
    if (last <= first)
        return std::nullopt;
    return Span{std::max(first, left), std::min(last, right)};
}

QRegion RoundRectRegion(const QRect& box, int ellipseWidth, int ellipseHeight)
{
    // One rectangle per run of rows with the same span: a valid banded region.
    std::vector<QRect> rects;
    for (int y = box.y(); y < box.y() + box.height(); ++y) {
        const auto span = RoundRectSpan(box, ellipseWidth, ellipseHeight, y);
        if (!span)
            continue;
        if (!rects.empty()) {
            QRect& last = rects.back();
            if (last.x() == span->first && last.width() == span->last - span->first && last.y() + last.height() == y) {
                last.setHeight(last.height() + 1);
                continue;
            }
        }
        rects.emplace_back(span->first, y, span->last - span->first, 1);
    }
    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

RoundFrame RoundFrameFor(const QRect& box, int ellipse, int penWidth)
{
    const int w = std::max(penWidth, 1);
    const int h = w / 2;
    RoundFrame frame;
    frame.outer = box.adjusted(-h, -h, h, h);
    frame.outerEllipse = std::max(ellipse, 0) > 0 ? ellipse + 2 * h : 0;
    frame.inner = frame.outer.adjusted(w, w, -w, -w);
    frame.innerEllipse = std::max(frame.outerEllipse - 2 * w, 0);
    return frame;
}

QRegion RoundFrameRegion(const QRect& box, int ellipse, int penWidth)
{
    const RoundFrame frame = RoundFrameFor(box, ellipse, penWidth);
    return RoundRectRegion(frame.outer, frame.outerEllipse, frame.outerEllipse)
        .subtracted(RoundRectRegion(frame.inner, frame.innerEllipse, frame.innerEllipse));
}

void DrawRoundRect(QImage& bitmap, const QRect& box, int ellipse, int penWidth, TColor penColor,
                   std::optional<TColor> brushColor)
{
    const RoundFrame frame = RoundFrameFor(box, ellipse, penWidth);
    for (int y = std::max(frame.outer.y(), 0); y < std::min(frame.outer.y() + frame.outer.height(), bitmap.height()); ++y) {
        const auto outer = RoundRectSpan(frame.outer, frame.outerEllipse, frame.outerEllipse, y);
        if (!outer)
            continue;
        const auto inner = RoundRectSpan(frame.inner, frame.innerEllipse, frame.innerEllipse, y);
        if (!inner) {
            FillBitmap(bitmap, QRect(outer->first, y, outer->last - outer->first, 1), penColor);
            continue;
        }
        FillBitmap(bitmap, QRect(outer->first, y, inner->first - outer->first, 1), penColor);
        FillBitmap(bitmap, QRect(inner->last, y, outer->last - inner->last, 1), penColor);
        if (brushColor)
            FillBitmap(bitmap, QRect(inner->first, y, inner->last - inner->first, 1), *brushColor);
    }
}

} // namespace quill
