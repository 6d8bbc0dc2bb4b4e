#pragma once

// Drawing metafiles: converted to SVG once (metafile_svg.h) and drawn by Qt Svg.

#include "picture.h"

#include <QByteArray>
#include <QCache>
#include <QImage>
#include <QRectF>

#include <memory>

class QPainter;
class QSvgRenderer;

namespace quill {

// A metafile ready to be drawn, or nothing when its library rejects it.
class MetafileDrawing {
public:
    // `mappingMode` matters for Windows metafiles only.
    static std::unique_ptr<MetafileDrawing> Make(PictureFormat format, QByteArrayView bytes, int mappingMode);
    ~MetafileDrawing();

    // The picture's frame stretched over `rect`, drawn with the painter's transformation.
    void Draw(QPainter& painter, const QRectF& rect) const;
    // The same into a transparent bitmap of `size` pixels.
    QImage Rasterize(const QSize& size) const;
    // What keeping it costs, in bytes.
    qsizetype Cost() const { return cost_; }

private:
    MetafileDrawing() = default;

    std::unique_ptr<QSvgRenderer> svg_;
    qsizetype cost_ = 0;
};

// The drawings of the metafiles drawn lately, by picture identity, with the bitmap each was
// last drawn as on screen, so that a repaint only copies pixels. Printers and other vector
// devices get the drawing itself. Bounded: the least recently drawn go first.
class MetafileCache {
public:
    static MetafileCache& Shared();

    // Draws the picture into `rect`; false, drawing nothing, when it cannot be drawn.
    bool Draw(QPainter& painter, const QRectF& rect, qlonglong id, PictureFormat format, const QByteArray& bytes,
              int mappingMode);

private:
    struct Entry {
        std::unique_ptr<MetafileDrawing> drawing; // null when the metafile was rejected
        QImage pixels;                            // the last bitmap drawn on screen
    };

    static qsizetype CostKb(const Entry& entry);
    void Keep(qlonglong id, std::unique_ptr<Entry> entry);

    QCache<qlonglong, Entry> entries_{128 * 1024}; // kilobytes
};

} // namespace quill
