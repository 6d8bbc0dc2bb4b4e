#include "ui/gradient.h"

#include "storage/rounding.h"

#include <QPainter>

namespace quill {

void DrawGradient(QPainter& canvas, const QRect& rect, const std::vector<TColor>& colors, bool Horizontal)
{
    const int bands = static_cast<int>(colors.size()) - 1;
    if (bands <= 0)
        throw ArithmeticError("Please specify at least two colors.");

    const int extent = Horizontal ? rect.width() : rect.height();
    const int across = Horizontal ? rect.height() : rect.width();
    std::vector<TColor> rgb;
    rgb.reserve(colors.size());
    for (TColor c : colors)
        rgb.push_back(ColorToRGB(c));
    if (extent <= 0 || across <= 0)
        return;

    // The band length rounds half to even: 12.5 gives 12, 13.5 gives 14.
    const int bandLength = RoundToInt(static_cast<double>(extent) / bands);
    for (int i = 0; i < bands; ++i) {
        // The last band takes what the rounding left; it ends on line extent - 1.
        const int length = (i == bands - 1) ? extent - (bands - 1) * bandLength - 1 : bandLength;
        const TColor from = rgb[i];
        const TColor to = rgb[i + 1];
        for (int j = 0; j <= length; ++j) {
            const int p = i * bandLength + j;
            // Lines that small extents would push past the edge are left out.
            if (p < 0 || p >= extent)
                continue;
            // A band of length 0 has one step, drawn in its first colour.
            const double t = length > 0 ? static_cast<double>(j) / length : 0.0;
            auto channel = [t](int a, int b) { return static_cast<int>(a + (b - a) * t); };
            const QColor color(channel(RedOf(from), RedOf(to)), channel(GreenOf(from), GreenOf(to)),
                               channel(BlueOf(from), BlueOf(to)));
            // One-pixel lines are filled as one-pixel rectangles, so the pen stays untouched.
            if (Horizontal)
                canvas.fillRect(QRect(rect.x() + p, rect.y(), 1, across), color);
            else
                canvas.fillRect(QRect(rect.x(), rect.y() + p, across, 1), color);
        }
    }
}

} // namespace quill
