#include "ui/bitmaps.h"

#include "storage/rounding.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <functional>

namespace quill {

namespace {

struct Rgb {
    int r, g, b;
};

Rgb Channels(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return {RedOf(rgb), GreenOf(rgb), BlueOf(rgb)};
}

void EnsureRgb888(QImage& image)
{
    if (!image.isNull() && image.format() != QImage::Format_RGB888)
        image.convertTo(QImage::Format_RGB888);
}

QImage AsRgb888(const QImage& image)
{
    return image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
}

std::uint8_t ToByte(double value)
{
    return static_cast<std::uint8_t>(std::clamp(RoundToInt(value), 0, 255));
}

} // namespace

QImage NewBitmap(int width, int height)
{
    QImage image(std::max(width, 0), std::max(height, 0), QImage::Format_RGB888);
    image.fill(Qt::black);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const int dotsPerMeter = RoundToInt(screen->logicalDotsPerInch() / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
    }
    return image;
}

void FillBitmap(QImage& bitmap, const QRect& rect, TColor color)
{
    EnsureRgb888(bitmap);
    const QRect area = rect.intersected(bitmap.rect());
    if (area.isEmpty())
        return;
    const Rgb c = Channels(color);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::uint8_t* p = bitmap.scanLine(y) + 3 * area.left();
        for (int x = 0; x < area.width(); ++x, p += 3) {
            p[0] = static_cast<std::uint8_t>(c.r);
            p[1] = static_cast<std::uint8_t>(c.g);
            p[2] = static_cast<std::uint8_t>(c.b);
        }
    }
}

void FillBitmap(QImage& bitmap, const QRegion& region, TColor color)
{
    for (const QRect& rect : region)
        FillBitmap(bitmap, rect, color);
}

void PaintGradient(QImage& bitmap, const QRect& R, TColor From, const QRegion* region, TGradientType type, TColor To)
{
    if (bitmap.width() < 1 || bitmap.height() < 1)
        return;
    EnsureRgb888(bitmap);
    const QRegion area = region ? region->intersected(R) : QRegion(R);
    if (From == To) {
        FillBitmap(bitmap, area, From);
        return;
    }
    const Rgb from = Channels(From);
    const Rgb to = Channels(To);
    const int W = R.width();
    const int H = R.height();
    const int diagonal = RoundToInt(std::sqrt(static_cast<double>(W) * W + static_cast<double>(H) * H));
    int D = 0;
    switch (type) {
    case gtHorizontal: D = W; break;
    case gtVertical: D = H; break;
    case gtFromTopLeft:
    case gtFromTopRight: D = diagonal; break;
    case gtRadial: D = diagonal / 2; break;
    case gtDoubleHorz: D = W / 2; break;
    case gtDoubleVert: D = H / 2; break;
    }
    // A length of 0 leaves every distance 0 as well (a 1-pixel-wide double gradient, a
    // 1 x 1 radial one): those pixels take From instead of a division by zero.
    const double dr = D != 0 ? static_cast<double>(to.r - from.r) / D : 0.0;
    const double dg = D != 0 ? static_cast<double>(to.g - from.g) / D : 0.0;
    const double db = D != 0 ? static_cast<double>(to.b - from.b) / D : 0.0;

    auto distance = [&](int x, int y) -> double {
        switch (type) {
        case gtHorizontal: return x;
        case gtVertical: return y;
        case gtFromTopLeft: return std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y);
        case gtFromTopRight: return std::sqrt(static_cast<double>(W - x) * (W - x) + static_cast<double>(y) * y);
        case gtRadial: {
            const double cx = W / 2 - x;
            const double cy = y - H / 2;
            return std::sqrt(cx * cx + cy * cy);
        }
        case gtDoubleHorz: return std::abs(x - D);
        case gtDoubleVert: return std::abs(y - D);
        }
        return 0;
    };

    const QRect bounds = bitmap.rect();
    for (const QRect& rect : area) {
        const QRect part = rect.intersected(bounds);
        for (int y = part.top(); y <= part.bottom(); ++y) {
            std::uint8_t* p = bitmap.scanLine(y) + 3 * part.left();
            for (int x = part.left(); x <= part.right(); ++x, p += 3) {
                const double s = distance(x - R.x(), y - R.y());
                p[0] = ToByte(from.r + dr * s);
                p[1] = ToByte(from.g + dg * s);
                p[2] = ToByte(from.b + db * s);
            }
        }
    }
}

void TintBitmap(QImage& bitmap, TColor color)
{
    EnsureRgb888(bitmap);
    const Rgb c = Channels(color);
    for (int y = 0; y < bitmap.height(); ++y) {
        std::uint8_t* p = bitmap.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x, p += 3) {
            const int grey = (p[0] + p[1] + p[2]) / 3;
            p[0] = static_cast<std::uint8_t>(std::min(grey + c.r, 255));
            p[1] = static_cast<std::uint8_t>(std::min(grey + c.g, 255));
            p[2] = static_cast<std::uint8_t>(std::min(grey + c.b, 255));
        }
    }
}

void BlendBitmaps(QImage& target, const QImage& overlay, const QRect& R, int p)
{
    EnsureRgb888(target);
    const QImage over = AsRgb888(overlay);
    // Only the pixels that both the target and the overlay have are mixed.
    const QRect area = R.intersected(target.rect()).intersected(over.rect().translated(R.topLeft()));
    if (area.isEmpty())
        return;
    const double q = p / 100.0;
    const double keep = 1.0 - q;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::uint8_t* t = target.scanLine(y) + 3 * area.left();
        const std::uint8_t* o = over.constScanLine(y - R.y()) + 3 * (area.left() - R.x());
        for (int i = 0; i < 3 * area.width(); ++i)
            t[i] = ToByte(t[i] * keep + o[i] * q);
    }
}

void CopyWithOverlay(QImage& target, const QImage& source, const QImage& overlay, int d, const QRect& R, int p)
{
    EnsureRgb888(target);
    // A shallow copy keeps the source as it is while the target is written, also when the
    // two are the same bitmap.
    const QImage src = AsRgb888(source);
    const QRect destination = QRect(R.x() + d, R.y() + d, R.width() - d, R.height() - d)
                                  .intersected(target.rect())
                                  .intersected(src.rect().translated(R.x() + d, R.y() + d));
    for (int y = destination.top(); y <= destination.bottom(); ++y) {
        std::uint8_t* t = target.scanLine(y) + 3 * destination.left();
        const std::uint8_t* s = src.constScanLine(y - R.y() - d) + 3 * (destination.left() - R.x() - d);
        std::copy(s, s + 3 * destination.width(), t);
    }
    if (p > 0)
        BlendBitmaps(target, overlay, R, std::min(p, 100));
}

void DownsampleEdges(const QImage& source, QImage& target, int F, TColor fill, int margin)
{
    EnsureRgb888(target);
    const QImage src = AsRgb888(source);
    if (margin < 1)
        margin = F;
    const int M = margin / 2;
    const int width = target.width();
    const int height = target.height();

    // Row by row; a block that runs past the source ends the averaging.
    auto sample = [&](int x, int y) -> bool {
        if (F < 1 || (x + 1) * F > src.width() || (y + 1) * F > src.height())
            return false;
        int sum[3] = {0, 0, 0};
        for (int j = 0; j < F; ++j) {
            const std::uint8_t* s = src.constScanLine(y * F + j) + 3 * x * F;
            for (int i = 0; i < F; ++i, s += 3) {
                sum[0] += s[0];
                sum[1] += s[1];
                sum[2] += s[2];
            }
        }
        std::uint8_t* t = target.scanLine(y) + 3 * x;
        for (int c = 0; c < 3; ++c)
            t[c] = static_cast<std::uint8_t>(sum[c] / (F * F));
        return true;
    };
    bool reading = true;
    for (int y = 0; y < height && reading; ++y) {
        const bool bandRow = y <= M || y >= height - M;
        for (int x = 0; x < width && reading; ++x) {
            if (!bandRow && x > M && x < width - M) {
                x = width - M - 1;  // skip the inside of the row
                continue;
            }
            reading = sample(x, y);
        }
    }
    FillBitmap(target, QRect(M, M, width - 2 * M, height - 2 * M), fill);
}

void DrawFocusRect(QImage& bitmap, const QRect& rect)
{
    EnsureRgb888(bitmap);
    auto invert = [&](int x, int y) {
        if (!bitmap.rect().contains(x, y) || (x + y) % 2 != 0)
            return;
        std::uint8_t* p = bitmap.scanLine(y) + 3 * x;
        p[0] = static_cast<std::uint8_t>(~p[0]);
        p[1] = static_cast<std::uint8_t>(~p[1]);
        p[2] = static_cast<std::uint8_t>(~p[2]);
    };
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const int right = rect.x() + rect.width() - 1;
    const int bottom = rect.y() + rect.height() - 1;
    for (int x = rect.x(); x <= right; ++x) {
        invert(x, rect.y());
        if (bottom != rect.y())
            invert(x, bottom);
    }
    for (int y = rect.y() + 1; y < bottom; ++y) {
        invert(rect.x(), y);
        if (right != rect.x())
            invert(right, y);
    }
}

TransparentBitmap::TransparentBitmap(const QImage& picture)
    : image_(AsRgb888(picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_ARGB32) : picture))
{
    if (image_.isNull())
        return;
    alpha_.resize(static_cast<std::size_t>(image_.width()) * image_.height());
    if (picture.hasAlphaChannel()) {
        const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < argb.width(); ++x)
                alpha_[static_cast<std::size_t>(y) * image_.width() + x] = static_cast<std::uint8_t>(qAlpha(line[x]));
        }
        return;
    }
    const std::uint8_t* key = image_.constScanLine(image_.height() - 1);
    for (int y = 0; y < image_.height(); ++y) {
        const std::uint8_t* p = image_.constScanLine(y);
        for (int x = 0; x < image_.width(); ++x, p += 3)
            alpha_[static_cast<std::size_t>(y) * image_.width() + x] =
                (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) ? 0 : 255;
    }
}

bool TransparentBitmap::IsTransparentAt(int x, int y) const
{
    return !image_.rect().contains(x, y) || AlphaAt(x, y) == 0;
}

void TransparentBitmap::Tint(TColor color)
{
    TintBitmap(image_, color);
}

void TransparentBitmap::Draw(QImage& target, int x, int y) const
{
    EnsureRgb888(target);
    const QRect area = QRect(x, y, Width(), Height()).intersected(target.rect());
    for (int ty = area.top(); ty <= area.bottom(); ++ty) {
        std::uint8_t* t = target.scanLine(ty) + 3 * area.left();
        const std::uint8_t* s = image_.constScanLine(ty - y) + 3 * (area.left() - x);
        for (int tx = area.left(); tx <= area.right(); ++tx, t += 3, s += 3) {
            const int a = AlphaAt(tx - x, ty - y);
            if (a == 0)
                continue;
            for (int c = 0; c < 3; ++c)
                t[c] = static_cast<std::uint8_t>((s[c] * a + t[c] * (255 - a) + 127) / 255);
        }
    }
}

void TransparentBitmap::Draw(QPainter& painter, int x, int y) const
{
    if (IsEmpty())
        return;
    QImage masked = image_.convertToFormat(QImage::Format_ARGB32);
    for (int py = 0; py < masked.height(); ++py) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(py));
        for (int px = 0; px < masked.width(); ++px)
            line[px] = qRgba(qRed(line[px]), qGreen(line[px]), qBlue(line[px]), AlphaAt(px, py));
    }
    painter.drawImage(x, y, masked);
}

} // namespace quill
