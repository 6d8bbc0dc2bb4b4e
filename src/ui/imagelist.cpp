#include "ui/imagelist.h"

#include <QPainter>

namespace quill {

TImageList::TImageList(int width, int height)
    : width_(width), height_(height)
{
}

int TImageList::Add(const QImage& image)
{
    QImage picture = image.convertToFormat(QImage::Format_ARGB32);
    if (picture.isNull())
        picture = QImage(width_, height_, QImage::Format_ARGB32);
    if (picture.size() != QSize(width_, height_))
        picture = picture.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    images_.append(picture);
    return Count() - 1;
}

int TImageList::AddMasked(const QImage& image, TColor transparentColor)
{
    QImage picture = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQColor(transparentColor).rgb();
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return Add(picture);
}

QImage TImageList::Image(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return images_[index];
}

void TImageList::Draw(QPainter& canvas, int x, int y, int index, bool enabled) const
{
    QImage picture = Image(index);
    if (picture.isNull())
        return;
    if (!enabled) {
        for (int py = 0; py < picture.height(); ++py) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(py));
            for (int px = 0; px < picture.width(); ++px) {
                const int grey = qGray(line[px]);
                line[px] = qRgba(grey, grey, grey, qAlpha(line[px]) / 2);
            }
        }
    }
    canvas.drawImage(x, y, picture);
}

} // namespace quill
