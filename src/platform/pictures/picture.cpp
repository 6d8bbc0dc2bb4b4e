#include "picture.h"

#include "byte_fields.h"
#include "dib_layout.h"
#include "metafile_records.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

namespace quill {

using fields::I16;
using fields::I32;
using fields::U16;
using fields::U32;

namespace {

QImage ReadWithQt(QByteArrayView bytes, const char* format)
{
    QByteArray copy = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.isValid())
        CheckPictureSize(size.width(), size.height());
    return reader.read();
}

// The pixels at 96 to the inch of a metafile's declared size; empty when it declares none.
QSize DeclaredPixels(PictureFormat format, QByteArrayView bytes)
{
    if (format == PictureFormat::Wmf && bytes.size() >= 22 && U32(bytes, 0) == kPlaceableKey && U16(bytes, 14) > 0) {
        const int inch = U16(bytes, 14);
        return QSize((I16(bytes, 10) - I16(bytes, 6)) * 96 / inch, (I16(bytes, 12) - I16(bytes, 8)) * 96 / inch);
    }
    const QSize himetric = MetafileSizeHimetric(format, bytes);
    return QSize(himetric.width() * 96 / 2540, himetric.height() * 96 / 2540);
}

} // namespace

void CheckPictureSize(qint64 width, qint64 height)
{
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        throw PictureError("Picture is too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)");
}

// Whether every chunk of a PNG up to its end fits in the bytes there are, and its header's
// size is one we draw. A chunk that claims more has libpng allocate what it claims (a
// 281-byte file once took 1.8 GB) before it finds the bytes missing.
static bool PngChunksFit(QByteArrayView bytes)
{
    qsizetype at = 8; // the signature
    bool first = true;
    while (at + 12 <= bytes.size()) {
        const quint32 length = qFromBigEndian<quint32>(bytes.data() + at);
        const QByteArrayView type = bytes.sliced(at + 4, 4);
        if (length > quint32(bytes.size() - at - 12))
            return false;
        if (first && type == "IHDR" && length >= 8)
            CheckPictureSize(qFromBigEndian<quint32>(bytes.data() + at + 8),
                             qFromBigEndian<quint32>(bytes.data() + at + 12));
        if (type == "IEND")
            return true;
        first = false;
        at += 12 + qsizetype(length);
    }
    return at == bytes.size();
}

QImage DecodeRaster(PictureFormat format, QByteArrayView bytes)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return DecodeJpeg(bytes);
    case PictureFormat::Png: {
        QImage image = bytes.startsWith("\x89PNG\r\n\x1a\n") && PngChunksFit(bytes) ? ReadWithQt(bytes, "PNG") : QImage();
        if (image.isNull())
            throw PictureError("Bitmap image is not valid");
        return image;
    }
    case PictureFormat::Bmp: {
        // The header is read here first: Qt's reader refuses some sizes without saying why,
        // and makes the whole bitmap before it finds that the file holds too few bits.
        if (bytes.size() >= 14) {
            if (const auto layout = ReadDibLayout(bytes.sliced(14))) {
                CheckPictureSize(layout->width, layout->height);
                if (layout->bitsSize > bytes.size() - qint64(U32(bytes, 10)))
                    throw PictureError("Bitmap image is not valid");
            }
        }
        QImage image = ReadWithQt(bytes, "BMP");
        if (image.isNull())
            throw PictureError("Bitmap image is not valid");
        return image;
    }
    case PictureFormat::Gif: {
        if (bytes.startsWith("GIF") && bytes.size() >= 10)
            CheckPictureSize(U16(bytes, 6), U16(bytes, 8)); // the logical screen
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
    // A file header in front of the DIB makes it a BMP file that Qt's reader takes; the bits
    // start behind the info header, its colour masks and its colours.
    const std::optional<DibLayout> layout = ReadDibLayout(bytes);
    if (!layout || layout->bitsOffset > bytes.size())
        return {};
    CheckPictureSize(layout->width, layout->height);
    if (layout->bitsSize > bytes.size() - layout->bitsOffset)
        return {}; // bits missing: Qt's reader would make the whole bitmap first
    constexpr qsizetype kFileHeaderSize = 14;
    QByteArray file;
    file.reserve(kFileHeaderSize + bytes.size());
    file.append("BM", 2);
    char field[4];
    qToLittleEndian(static_cast<std::uint32_t>(kFileHeaderSize + bytes.size()), field);
    file.append(field, 4);
    file.append(4, '\0');
    qToLittleEndian(static_cast<std::uint32_t>(kFileHeaderSize + layout->bitsOffset), field);
    file.append(field, 4);
    file.append(bytes.data(), bytes.size());
    return ReadWithQt(file, "BMP");
}

QImage DecodeDeviceBitmap(QByteArrayView bits, int width, int height, int widthBytes, int bitsPerPixel)
{
    if (width <= 0 || height <= 0 || (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32))
        return {};
    CheckPictureSize(width, height);
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
        const QSize pixels = DeclaredPixels(picture.format_, picture.bytes_);
        CheckPictureSize(pixels.width(), pixels.height());
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
    return DeclaredPixels(format_, bytes_);
}

} // namespace quill
