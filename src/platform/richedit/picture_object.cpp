#include "picture_object.h"

#include "text_format.h"

#include "platform/pictures/metafile_renderer.h"
#include "platform/pictures/picture.h"

#include <QAbstractTextDocumentLayout>
#include <QCache>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>
#include <atomic>

namespace quill::richtext {

namespace {

std::atomic<qlonglong> nextPictureId{1};

constexpr double kMinSideTwips = 15;
constexpr double kMaxSideTwips = 20 * 1440;

// Decoded bitmaps by picture identity; costs in kilobytes.
QCache<qlonglong, QImage>& DecodedBitmaps()
{
    static QCache<qlonglong, QImage> cache(96 * 1024);
    return cache;
}

bool IsBitmapKind(PictureKind kind)
{
    return kind == PictureKind::Png || kind == PictureKind::Jpeg;
}

QImage Decode(const EmbeddedPicture& picture)
{
    if (!IsBitmapKind(picture.kind) || picture.bytes.isEmpty())
        return {};
    try {
        return DecodeRaster(picture.kind == PictureKind::Png ? PictureFormat::Png : PictureFormat::Jpeg,
                            picture.bytes);
    } catch (const PictureError&) {
        return {}; // damaged data shows as a placeholder
    }
}

QImage Bitmap(const QTextFormat& format)
{
    const qlonglong id = format.property(PictureIdProperty).toLongLong();
    if (const QImage* cached = DecodedBitmaps().object(id))
        return *cached;
    QImage image = Decode(PictureOf(format));
    const qsizetype cost = std::max<qsizetype>(1, image.sizeInBytes() / 1024);
    DecodedBitmaps().insert(id, std::make_unique<QImage>(image).release(), cost); // the cache owns it
    return image;
}

} // namespace

QTextCharFormat PictureCharFormat(const EmbeddedPicture& picture, const QTextCharFormat& base)
{
    QTextCharFormat format = base;
    format.setObjectType(PictureObjectType);
    format.setProperty(PictureKindProperty, static_cast<int>(picture.kind));
    format.setProperty(PictureDataProperty, picture.bytes);
    format.setProperty(PictureIdProperty, nextPictureId++);
    format.setProperty(PictureWidthProperty, picture.width);
    format.setProperty(PictureHeightProperty, picture.height);
    format.setProperty(PictureGoalWidthProperty, picture.goalWidth);
    format.setProperty(PictureGoalHeightProperty, picture.goalHeight);
    format.setProperty(PictureScaleXProperty, picture.scaleX);
    format.setProperty(PictureScaleYProperty, picture.scaleY);
    format.setProperty(PictureMappingProperty, picture.mapping);
    return format;
}

bool IsPicture(const QTextFormat& format)
{
    return format.objectType() == PictureObjectType;
}

EmbeddedPicture PictureOf(const QTextFormat& format)
{
    EmbeddedPicture picture;
    picture.kind = static_cast<PictureKind>(std::clamp(format.intProperty(PictureKindProperty), 0, 3));
    picture.bytes = format.property(PictureDataProperty).toByteArray();
    picture.width = format.intProperty(PictureWidthProperty);
    picture.height = format.intProperty(PictureHeightProperty);
    picture.goalWidth = format.intProperty(PictureGoalWidthProperty);
    picture.goalHeight = format.intProperty(PictureGoalHeightProperty);
    picture.scaleX = format.hasProperty(PictureScaleXProperty) ? format.intProperty(PictureScaleXProperty) : 100;
    picture.scaleY = format.hasProperty(PictureScaleYProperty) ? format.intProperty(PictureScaleYProperty) : 100;
    picture.mapping = format.hasProperty(PictureMappingProperty) ? format.intProperty(PictureMappingProperty) : 8;
    return picture;
}

EmbeddedPicture FromRtf(rtf::Picture&& source)
{
    EmbeddedPicture picture;
    picture.width = source.width;
    picture.height = source.height;
    picture.goalWidth = source.goalWidth;
    picture.goalHeight = source.goalHeight;
    picture.scaleX = source.scaleX;
    picture.scaleY = source.scaleY;
    picture.mapping = source.metafileMapping;
    switch (source.kind) {
    case rtf::PictureKind::Png:
    case rtf::PictureKind::Jpeg:
    case rtf::PictureKind::Emf:
    case rtf::PictureKind::Wmf:
        // The kinds a document keeps, in the same order.
        picture.kind = static_cast<PictureKind>(source.kind);
        picture.bytes = std::move(source.data);
        break;
    case rtf::PictureKind::Dib:
    case rtf::PictureKind::DeviceBitmap: {
        // Kept as PNG; bytes that are no bitmap (or one too large) leave a placeholder of the
        // picture's size.
        QImage image;
        try {
            image = source.kind == rtf::PictureKind::Dib ? DecodeDib(source.data)
                                                         : DecodeDeviceBitmap(source.data, source.width, source.height,
                                                                              source.widthBytes, source.bitsPerPixel);
        } catch (const PictureError&) {
        }
        picture.kind = PictureKind::Png;
        if (!image.isNull()) {
            picture.bytes = EncodePng(image);
            picture.width = image.width();
            picture.height = image.height();
        }
        break;
    }
    }
    return picture;
}

EmbeddedPicture FromImage(const QImage& image)
{
    EmbeddedPicture picture;
    picture.kind = PictureKind::Png;
    picture.bytes = EncodePng(image);
    picture.width = image.width();
    picture.height = image.height();
    picture.goalWidth = image.width() * static_cast<int>(kTwipsPerUnit);
    picture.goalHeight = image.height() * static_cast<int>(kTwipsPerUnit);
    return picture;
}

EmbeddedPicture FromMetafile(quill::PictureFormat format, const QByteArray& bytes)
{
    EmbeddedPicture picture;
    picture.kind = format == quill::PictureFormat::Wmf ? PictureKind::Wmf : PictureKind::Emf;
    picture.bytes = bytes;
    const QSize himetric = MetafileSizeHimetric(format, bytes);
    picture.width = himetric.width();
    picture.height = himetric.height();
    picture.goalWidth = himetric.width() * 1440 / 2540;
    picture.goalHeight = himetric.height() * 1440 / 2540;
    return picture;
}

QSizeF ShownSizeTwips(const EmbeddedPicture& picture)
{
    double width = picture.goalWidth;
    double height = picture.goalHeight;
    if (width <= 0 || height <= 0) {
        QSizeF native;
        if (IsBitmapKind(picture.kind)) {
            native = QSizeF(picture.width, picture.height) * kTwipsPerUnit;
            if (native.isEmpty())
                native = QSizeF(Decode(picture).size()) * kTwipsPerUnit;
        } else {
            QSizeF himetric(picture.width, picture.height);
            if (himetric.isEmpty())
                himetric = MetafileSizeHimetric(picture.kind == PictureKind::Emf ? PictureFormat::Emf : PictureFormat::Wmf,
                                                picture.bytes);
            native = himetric * (1440.0 / 2540.0);
        }
        if (native.isEmpty())
            native = QSizeF(32, 32) * kTwipsPerUnit;
        if (width <= 0)
            width = native.width();
        if (height <= 0)
            height = native.height();
    }
    width = width * picture.scaleX / 100.0;
    height = height * picture.scaleY / 100.0;
    return QSizeF(std::clamp(width, kMinSideTwips, kMaxSideTwips), std::clamp(height, kMinSideTwips, kMaxSideTwips));
}

QSizeF PictureObjectHandler::intrinsicSize(QTextDocument*, int, const QTextFormat& format)
{
    return ShownSizeTwips(PictureOf(format)) / kTwipsPerUnit;
}

void PictureObjectHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                                      const QTextFormat& format)
{
    const auto kind = static_cast<PictureKind>(format.intProperty(PictureKindProperty));
    if (kind == PictureKind::Emf || kind == PictureKind::Wmf) {
        // A metafile its library rejects shows the placeholder; its bytes stay as they are.
        const EmbeddedPicture picture = PictureOf(format);
        if (!MetafileCache::Shared().Draw(*painter, rect, format.property(PictureIdProperty).toLongLong(),
                                          kind == PictureKind::Emf ? PictureFormat::Emf : PictureFormat::Wmf,
                                          picture.bytes, picture.mapping))
            DrawPicturePlaceholder(*painter, rect);
        return;
    }
    const QImage image = Bitmap(format);
    if (image.isNull()) {
        DrawPicturePlaceholder(*painter, rect);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->drawImage(rect, image);
    painter->restore();
}

void PictureObjectHandler::Register(QTextDocument* document)
{
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    if (!layout->handlerForObject(PictureObjectType))
        layout->registerHandler(PictureObjectType, new PictureObjectHandler(document));
}

} // namespace quill::richtext
