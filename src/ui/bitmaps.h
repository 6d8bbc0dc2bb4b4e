#pragma once

#include "platform/syscolors.h"

#include <QImage>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <vector>

class QPainter;

namespace quill {

// The shapes of the styled controls' gradients.
enum TGradientType { gtHorizontal, gtVertical, gtFromTopLeft, gtFromTopRight, gtRadial, gtDoubleHorz, gtDoubleVert };

// The bitmaps of the styled controls are 24-bit QImages (Format_RGB888) at the screen's
// resolution, so text drawn on them has the size it has on the screen. Every routine here
// clips to the bitmaps it is given and never touches a pixel outside them.
QImage NewBitmap(int width, int height);

// Fills the part of rect inside the bitmap with a colour.
void FillBitmap(QImage& bitmap, const QRect& rect, TColor color);
void FillBitmap(QImage& bitmap, const QRegion& region, TColor color);

// Fills R with a gradient from From to To of the given shape; with a region, only the
// pixels of R inside it. Distances are measured from R's top-left corner.
void PaintGradient(QImage& bitmap, const QRect& R, TColor From, const QRegion* region, TGradientType type, TColor To);

// Every pixel becomes its grey level (the mean of its channels) plus the colour, each
// channel capped at 255.
void TintBitmap(QImage& bitmap, TColor color);

// Mixes overlay into R of target by p percent; overlay's top-left corner meets R's.
void BlendBitmaps(QImage& target, const QImage& overlay, const QRect& R, int p);

// Copies source (from its top-left corner) into R of target moved d pixels right and down,
// then, if p > 0, mixes overlay into R by p percent (at most 100). source may be target.
void CopyWithOverlay(QImage& target, const QImage& source, const QImage& overlay, int d, const QRect& R, int p);

// Averages the F x F blocks of a source F times the target's size into the band along the
// target's edges (margin / 2 pixels, margin F when below 1) and fills the inside flat.
// A source too small ends the averaging where its blocks run out; the fill still happens.
void DownsampleEdges(const QImage& source, QImage& target, int F, TColor fill, int margin);

// The dotted focus rectangle: every other pixel of the rectangle's outline inverted.
void DrawFocusRect(QImage& bitmap, const QRect& rect);

// A picture drawn without the pixels of its transparent colour, the colour its bottom-left
// pixel has when the picture is given. Which pixels are transparent is settled then, so
// tinting the picture afterwards never makes a visible pixel vanish.
// A picture drawn over another. A picture with an alpha channel is blended by it; one
// without takes the colour of its bottom-left pixel as transparent.
class TransparentBitmap {
public:
    TransparentBitmap() = default;
    explicit TransparentBitmap(const QImage& picture);

    bool IsEmpty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    const QImage& Image() const { return image_; }
    bool IsTransparentAt(int x, int y) const;

    void Tint(TColor color);
    void Draw(QImage& target, int x, int y) const;
    void Draw(QPainter& painter, int x, int y) const;

private:
    std::uint8_t AlphaAt(int x, int y) const { return alpha_[static_cast<std::size_t>(y) * image_.width() + x]; }

    QImage image_;
    std::vector<std::uint8_t> alpha_; // 0 transparent to 255 opaque, per pixel
};

} // namespace quill
