#include "metafile_renderer.h"

#include "metafile_svg.h"

#include <QPaintEngine>
#include <QPainter>
#include <QSvgRenderer>

namespace quill {

namespace {

// Beyond this a drawing on screen is not kept as a bitmap but drawn each time.
constexpr qint64 kMaxKeptPixels = 16 * 1024 * 1024;

// The size in device pixels that `rect` covers on a bitmap device, where keeping the
// drawing's pixels pays; empty for vector devices (printers, PDF) and for a rotated or
// sheared painter.
QSize DevicePixels(QPainter& painter, const QRectF& rect)
{
    const QPaintEngine* engine = painter.paintEngine();
    const QTransform transform = painter.deviceTransform();
    if (!engine || engine->type() != QPaintEngine::Raster || transform.type() > QTransform::TxScale)
        return {};
    const QSize size = transform.mapRect(rect).size().toSize();
    if (size.isEmpty() || static_cast<qint64>(size.width()) * size.height() > kMaxKeptPixels)
        return {};
    return size;
}

} // namespace

std::unique_ptr<MetafileDrawing> MetafileDrawing::Make(PictureFormat format, QByteArrayView bytes, int mappingMode)
{
    MetafileSvg converted;
    try {
        converted = format == PictureFormat::Emf ? EnhancedMetafileToSvg(bytes) : WindowsMetafileToSvg(bytes, mappingMode);
    } catch (const PictureError&) {
        return nullptr;
    }
    std::unique_ptr<MetafileDrawing> drawing(new MetafileDrawing);
    drawing->svg_ = std::make_unique<QSvgRenderer>();
    if (!drawing->svg_->load(converted.svg))
        return nullptr;
    drawing->svg_->setViewBox(converted.frame);
    drawing->cost_ = 2 * converted.svg.size(); // the parsed drawing is about the size of its text
    return drawing;
}

MetafileDrawing::~MetafileDrawing() = default;

void MetafileDrawing::Draw(QPainter& painter, const QRectF& rect) const
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    svg_->render(&painter, rect);
    painter.restore();
}

QImage MetafileDrawing::Rasterize(const QSize& size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    svg_->render(&painter, QRectF(QPointF(), size));
    return image;
}

MetafileCache& MetafileCache::Shared()
{
    static MetafileCache cache;
    return cache;
}

qsizetype MetafileCache::CostKb(const Entry& entry)
{
    const qsizetype bytes = (entry.drawing ? entry.drawing->Cost() : 0) + entry.pixels.sizeInBytes();
    return 1 + bytes / 1024;
}

bool MetafileCache::Draw(QPainter& painter, const QRectF& rect, qlonglong id, PictureFormat format,
                         const QByteArray& bytes, int mappingMode)
{
    std::unique_ptr<Entry> outside; // an entry not in the cache, or taken out of it
    Entry* entry = entries_.object(id);
    if (!entry) {
        outside = std::make_unique<Entry>();
        outside->drawing = MetafileDrawing::Make(format, bytes, mappingMode);
        entry = outside.get();
    }
    const bool drawable = entry->drawing != nullptr;
    if (drawable) {
        const QSize pixels = DevicePixels(painter, rect);
        if (pixels.isEmpty()) {
            entry->drawing->Draw(painter, rect);
        } else {
            if (entry->pixels.size() != pixels) {
                if (!outside)
                    outside.reset(entries_.take(id)); // back in below, at its new cost
                outside->pixels = outside->drawing->Rasterize(pixels);
                entry = outside.get();
            }
            painter.drawImage(rect, entry->pixels);
        }
    }
    if (outside)
        Keep(id, std::move(outside));
    return drawable;
}

void MetafileCache::Keep(qlonglong id, std::unique_ptr<Entry> entry)
{
    const qsizetype cost = CostKb(*entry);
    if (cost <= entries_.maxCost())
        entries_.insert(id, entry.release(), cost); // the cache owns it now
}

} // namespace quill
