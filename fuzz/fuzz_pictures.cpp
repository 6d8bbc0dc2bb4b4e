// Fuzzes every picture reader: the first byte chooses one (JPEG through libjpeg, GIF, BMP and
// PNG through Qt, a DIB as documents embed it, a device bitmap's bits, an enhanced metafile
// through libemf2svg, a Windows metafile through libwmf) and the rest is its input. Each
// either refuses the bytes with a PictureError or gives a picture; metafiles are drawn too.
// The input lies in read-only memory that ends at an inaccessible page.
#include "guarded_bytes.h"

#include "platform/pictures/metafile_renderer.h"
#include "platform/pictures/picture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>

namespace {

QGuiApplication& Application()
{
    static int argc = 1;
    static char name[] = "fuzz_pictures";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
    return application;
}

enum Reader : std::uint8_t { Jpeg, Gif, Bmp, Png, Dib, DeviceBitmap, Emf, Wmf, kReaders };

void DrawMetafile(quill::PictureFormat format, QByteArrayView bytes, int mappingMode)
{
    const auto drawing = quill::MetafileDrawing::Make(format, bytes, mappingMode);
    if (!drawing)
        return;
    QImage image(48, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawing->Draw(painter, QRectF(0, 0, 48, 32));
}

void Read(Reader reader, QByteArrayView bytes)
{
    using namespace quill;
    switch (reader) {
    case Jpeg: DecodeJpeg(bytes); break;
    case Gif: DecodeRaster(PictureFormat::Gif, bytes); break;
    case Bmp: DecodeRaster(PictureFormat::Bmp, bytes); break;
    case Png: DecodeRaster(PictureFormat::Png, bytes); break;
    case Dib: DecodeDib(bytes); break;
    case DeviceBitmap: {
        // The sizes an entry's RTF gives come first: width, height, bytes a row, bits a pixel.
        if (bytes.size() < 7)
            return;
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
        DecodeDeviceBitmap(bytes.sliced(7), p[0] | p[1] << 8, p[2] | p[3] << 8, p[4] | p[5] << 8, p[6]);
        break;
    }
    case Emf: DrawMetafile(PictureFormat::Emf, bytes, 8); break;
    case Wmf:
        // The mapping mode an entry's RTF gives comes first.
        if (bytes.isEmpty())
            return;
        DrawMetafile(PictureFormat::Wmf, bytes.sliced(1), 1 + static_cast<std::uint8_t>(bytes[0]) % 8);
        break;
    case kReaders: break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Application();
    if (size == 0)
        return 0;
    const GuardedBytes input(data + 1, size - 1);
    try {
        Read(static_cast<Reader>(data[0] % kReaders), input.View());
    } catch (const quill::PictureError&) {
        // refused with its message
    }
    return 0;
}
