#include "picture_files.h"

#include "platform/pictures/metafile_renderer.h"
#include "platform/pictures/picture.h"
#include "platform/richedit/text_format.h"
#include "storage/rounding.h"

#include <QPainter>

#include <algorithm>

namespace quill::tool {

namespace {

using richtext::PictureKind;

bool IsMetafile(PictureKind kind)
{
    return kind == PictureKind::Emf || kind == PictureKind::Wmf;
}

// Twice the shown size, as long as a picture may be that large.
QSize DrawnPixels(const QSize& shown)
{
    const qint64 doubled = 4 * static_cast<qint64>(shown.width()) * shown.height();
    const int factor = doubled <= kMaxPicturePixels && 2 * std::max(shown.width(), shown.height()) <= kMaxPictureSide ? 2 : 1;
    return shown * factor;
}

QByteArray Placeholder(const QSize& shown)
{
    QImage image(shown, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawPicturePlaceholder(painter, QRectF(QPointF(), QSizeF(shown)));
    painter.end();
    return EncodePng(image);
}

} // namespace

const char* PictureFileExtension(const richtext::EmbeddedPicture& picture)
{
    return picture.kind == PictureKind::Jpeg && !picture.bytes.isEmpty() ? "jpg" : "png";
}

QSize ShownPixels(const richtext::EmbeddedPicture& picture)
{
    const QSizeF pixels = richtext::ShownSizeTwips(picture) / richtext::kTwipsPerUnit;
    return QSize(std::max(1, RoundToInt(pixels.width())), std::max(1, RoundToInt(pixels.height())));
}

QByteArray PictureFileBytes(const PictureFile& file)
{
    const richtext::EmbeddedPicture& picture = file.picture;
    if (!IsMetafile(picture.kind))
        return picture.bytes.isEmpty() ? Placeholder(file.shown) : picture.bytes;
    const auto drawing = MetafileDrawing::Make(picture.kind == PictureKind::Emf ? PictureFormat::Emf : PictureFormat::Wmf,
                                               picture.bytes, picture.mapping);
    if (!drawing)
        return Placeholder(file.shown);
    return EncodePng(drawing->Rasterize(DrawnPixels(file.shown)));
}

} // namespace quill::tool
