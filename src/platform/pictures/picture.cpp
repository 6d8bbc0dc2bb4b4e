#include "picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

namespace quill {

namespace {

constexpr int kMaxSide = 32767;

std::uint32_t U32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<std::uint32_t>(bytes.data() + at);
}
std::int32_t I32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<std::int32_t>(bytes.data() + at);
}
std::uint16_t U16(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<std::uint16_t>(bytes.data() + at);
}
std::int16_t I16(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<std::int16_t>(bytes.data() + at);
}

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::uint32_t kEmfSignature = 0x464D4520u; // " EMF"

QImage ReadWithQt(QByteArrayView bytes, const char* format)
{
    QByteArray copy = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.width() > kMaxSide || size.height() > kMaxSide)
        return {};
    return reader.read();
}

} // namespace

QImage DecodeRaster(PictureFormat format, QByteArrayView bytes)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return DecodeJpeg(bytes);
    case PictureFormat::Png: {
        QImage image = bytes.startsWith("\x89PNG\r\n\x1a\n") ? ReadWithQt(bytes, "PNG") : QImage();
        if (image.isNull())
            throw PictureError("Bitmap image is not valid");
        return image;
    }
    case PictureFormat::Bmp: {
        QImage image = ReadWithQt(bytes, "BMP");
        if (image.isNull())
            throw PictureError("Bitmap image is not valid");
        return image;
    }
    case PictureFormat::Gif: {
        QImage image = ReadWithQt(bytes, "GIF");
        if (image.isNull())
            throw PictureError("GIF encoded data is corrupt");
        return image;
    }
    case PictureFormat::Emf:
    case PictureFormat::Wmf:
        break;
    }
    throw PictureError("Metafile is not valid");
}

QImage DecodeDib(QByteArrayView bytes)
{
    // A file header in front of the DIB makes it a BMP file that Qt's reader takes.
    if (bytes.size() < 16)
        return {};
    const std::uint32_t headerSize = U32(bytes, 0);
    if (headerSize < 12 || headerSize > static_cast<std::uint32_t>(bytes.size()))
        return {};
    std::uint32_t colors = 0;
    std::uint32_t masks = 0;
    if (headerSize == 12) {
        const int bits = U16(bytes, 10);
        colors = bits <= 8 ? (1u << bits) * 3 : 0;
    } else if (headerSize >= 40 && bytes.size() >= 40) {
        const int bits = U16(bytes, 14);
        const std::uint32_t compression = U32(bytes, 16);
        std::uint32_t used = U32(bytes, 32);
        if (used == 0 && bits <= 8)
            used = 1u << bits;
        colors = std::min<std::uint32_t>(used, 256) * 4;
        if (headerSize == 40 && (compression == 3 || compression == 6))
            masks = compression == 3 ? 12 : 16;
    }
    const std::uint32_t offset = 14 + headerSize + masks + colors;
    QByteArray file;
    file.reserve(14 + bytes.size());
    file.append("BM", 2);
    const std::uint32_t fileSize = static_cast<std::uint32_t>(14 + bytes.size());
    char field[4];
    qToLittleEndian(fileSize, field);
    file.append(field, 4);
    file.append(4, '\0');
    qToLittleEndian(offset, field);
    file.append(field, 4);
    file.append(bytes.data(), bytes.size());
    return ReadWithQt(file, "BMP");
}

QImage DecodeDeviceBitmap(QByteArrayView bits, int width, int height, int widthBytes, int bitsPerPixel)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return {};
    const int minimum = (width * bitsPerPixel + 7) / 8;
    if (widthBytes == 0)
        widthBytes = (minimum + 1) / 2 * 2; // rows of device bitmaps are word aligned
    if (widthBytes < minimum || static_cast<qint64>(widthBytes) * height > bits.size())
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const unsigned char*>(bits.data()) + static_cast<qsizetype>(y) * widthBytes;
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bitsPerPixel) {
            case 1:
                out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                break;
            case 24:
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            case 32:
                out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                break;
            default:
                return {};
            }
        }
    }
    return image;
}

QByteArray EncodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool IsMetafile(PictureFormat format)
{
    return format == PictureFormat::Emf || format == PictureFormat::Wmf;
}

bool IsValidMetafile(PictureFormat format, QByteArrayView bytes)
{
    if (format == PictureFormat::Emf)
        return bytes.size() >= 88 && U32(bytes, 0) == 1 && U32(bytes, 40) == kEmfSignature;
    if (format != PictureFormat::Wmf)
        return false;
    qsizetype start = 0;
    if (bytes.size() >= 22 && U32(bytes, 0) == kPlaceableKey)
        start = 22;
    if (bytes.size() < start + 18)
        return false;
    const std::uint16_t type = U16(bytes, start);
    return (type == 1 || type == 2) && U16(bytes, start + 2) == 9;
}

QSize MetafileSizeHimetric(PictureFormat format, QByteArrayView bytes)
{
    if (format == PictureFormat::Emf && IsValidMetafile(format, bytes)) {
        const qint64 width = static_cast<qint64>(I32(bytes, 32)) - I32(bytes, 24);
        const qint64 height = static_cast<qint64>(I32(bytes, 36)) - I32(bytes, 28);
        if (width > 0 && height > 0 && width < 10000000 && height < 10000000)
            return QSize(static_cast<int>(width), static_cast<int>(height));
    }
    if (format == PictureFormat::Wmf && bytes.size() >= 22 && U32(bytes, 0) == kPlaceableKey) {
        const int inch = U16(bytes, 14);
        const int width = I16(bytes, 10) - I16(bytes, 6);
        const int height = I16(bytes, 12) - I16(bytes, 8);
        if (inch > 0 && width > 0 && height > 0)
            return QSize(width * 2540 / inch, height * 2540 / inch);
    }
    return {};
}

void DrawPicturePlaceholder(QPainter& painter, const QRectF& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect, QColor(0xF0, 0xF0, 0xF0));
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

Picture Picture::LoadFromFile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix();
    const QString lower = extension.toLower();
    Picture picture;
    if (lower == u"gif")
        picture.format_ = PictureFormat::Gif;
    else if (lower == u"jpg" || lower == u"jpeg")
        picture.format_ = PictureFormat::Jpeg;
    else if (lower == u"bmp")
        picture.format_ = PictureFormat::Bmp;
    else if (lower == u"emf")
        picture.format_ = PictureFormat::Emf;
    else if (lower == u"wmf")
        picture.format_ = PictureFormat::Wmf;
    else
        throw PictureError(QStringLiteral("Unknown picture file extension (.%1)").arg(extension).toStdString());

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PictureError(QStringLiteral("Cannot open file %1").arg(path).toStdString());
    picture.bytes_ = file.readAll();
    if (IsMetafile(picture.format_)) {
        if (!IsValidMetafile(picture.format_, picture.bytes_))
            throw PictureError("Metafile is not valid");
        return picture;
    }
    picture.bitmap_ = DecodeRaster(picture.format_, picture.bytes_);
    picture.transparent_ = picture.format_ == PictureFormat::Gif && picture.bitmap_.hasAlphaChannel();
    return picture;
}

QSize Picture::Size() const
{
    if (!bitmap_.isNull())
        return bitmap_.size();
    const QSize himetric = MetafileSizeHimetric(format_, bytes_);
    return QSize(himetric.width() * 96 / 2540, himetric.height() * 96 / 2540);
}

} // namespace quill
