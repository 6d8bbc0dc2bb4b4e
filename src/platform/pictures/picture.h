#pragma once

// Pictures: decoding the kinds that entries and picture files hold, the sizes metafiles
// declare, and a picture file loaded for insertion.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <stdexcept>

class QPainter;
class QRectF;

namespace quill {

// A picture the loaders reject; what() is the text shown to the user.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class PictureFormat { Png, Jpeg, Bmp, Gif, Emf, Wmf };

// The largest picture that is decoded or drawn: kMaxPictureSide pixels a side and
// kMaxPicturePixels in all (a bitmap of 256 MB). A size field beyond it is refused before
// anything is allocated for it.
constexpr qint64 kMaxPictureSide = 32767;
constexpr qint64 kMaxPicturePixels = 64 * 1024 * 1024;

// Fails with "Picture is too large (W x H pixels)" when a picture of that size may not be made.
void CheckPictureSize(qint64 width, qint64 height);

// JPEG through libjpeg; fails with "JPEG error #%d", the library's message number, or with
// the too-large message.
QImage DecodeJpeg(QByteArrayView bytes);

// PNG, JPEG, BMP (a whole file) or GIF bytes as a bitmap; fails with the loader's message or
// the too-large message.
QImage DecodeRaster(PictureFormat format, QByteArrayView bytes);

// A device-independent bitmap without its file header (a bitmap info header, the colours,
// then the bits), as documents embed them; a null image when the bytes are not one. Fails
// with the too-large message.
QImage DecodeDib(QByteArrayView bytes);

// The bits of a device-dependent bitmap: `height` rows of `widthBytes` bytes at 1, 24 or 32
// bits per pixel; a null image for anything else or too few bytes. Fails with the too-large
// message.
QImage DecodeDeviceBitmap(QByteArrayView bits, int width, int height, int widthBytes, int bitsPerPixel);

// PNG bytes of an image.
QByteArray EncodePng(const QImage& image);

bool IsMetafile(PictureFormat format);

// Whether the bytes begin as an enhanced metafile or a Windows metafile (with or without
// its placeable header) does.
bool IsValidMetafile(PictureFormat format, QByteArrayView bytes);

// The size a metafile declares in 0.01 mm (an enhanced metafile's frame, a placeable
// Windows metafile's box); an empty size when it declares none.
QSize MetafileSizeHimetric(PictureFormat format, QByteArrayView bytes);

// What stands in for a picture that is not drawn (metafiles, damaged data): a light box
// with a grey frame filling `rect`.
void DrawPicturePlaceholder(QPainter& painter, const QRectF& rect);

// A picture file loaded for insertion; the decoder is chosen by the file's extension.
class Picture {
public:
    // Fails with "Cannot open file %s", "Unknown picture file extension (.%s)", "Bitmap image
    // is not valid", "Metafile is not valid", "JPEG error #%d", "GIF encoded data is corrupt"
    // or the too-large message (also for a metafile whose declared size is beyond it).
    static Picture LoadFromFile(const QString& path);

    PictureFormat Format() const { return format_; }
    const QByteArray& Bytes() const { return bytes_; }
    // The bitmap of a raster picture; null for metafiles.
    const QImage& Bitmap() const { return bitmap_; }
    // A GIF with a transparent colour.
    bool Transparent() const { return transparent_; }
    // Pixels of a bitmap; for a metafile, its declared size at 96 pixels per inch.
    QSize Size() const;

private:
    PictureFormat format_ = PictureFormat::Png;
    QByteArray bytes_;
    QImage bitmap_;
    bool transparent_ = false;
};

} // namespace quill
