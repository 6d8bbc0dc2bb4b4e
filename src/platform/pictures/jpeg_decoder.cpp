// JPEG decoding through libjpeg's decompression interface.
#include "picture.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

namespace quill {

namespace {

constexpr std::size_t kMaxPixels = 64u * 1024u * 1024u;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OnMessage(j_common_ptr, int) {}

struct Decoding {
    jpeg_decompress_struct info;
    ErrorManager errors;
    const unsigned char* data;
    unsigned long size;
    QImage image;
    bool tooBig = false;
};

// The libjpeg calls, which may leave by longjmp: no object with a destructor lives here.
void Decode(Decoding& d)
{
    jpeg_create_decompress(&d.info);
    jpeg_mem_src(&d.info, d.data, d.size);
    jpeg_read_header(&d.info, TRUE);
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.info);
    const std::size_t pixels = static_cast<std::size_t>(d.info.output_width) * d.info.output_height;
    if (pixels == 0 || pixels > kMaxPixels) {
        d.tooBig = true;
        return;
    }
    d.image = QImage(static_cast<int>(d.info.output_width), static_cast<int>(d.info.output_height),
                     cmyk ? QImage::Format_RGB32 : QImage::Format_RGB888);
    if (d.image.isNull()) {
        d.tooBig = true;
        return;
    }
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = d.image.scanLine(static_cast<int>(d.info.output_scanline));
        jpeg_read_scanlines(&d.info, &row, 1);
        if (cmyk) {
            // Decoded in place: four bytes of CMYK become one 0xFFRRGGBB pixel. Adobe writes
            // the channels inverted, as almost every CMYK JPEG is.
            QRgb* out = reinterpret_cast<QRgb*>(row);
            for (JDIMENSION x = 0; x < d.info.output_width; ++x) {
                const unsigned char* p = row + 4 * x;
                const int k = p[3];
                out[x] = qRgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&d.info);
}

bool Guarded(Decoding& d)
{
    if (setjmp(d.errors.jump))
        return false;
    Decode(d);
    return true;
}

} // namespace

QImage DecodeJpeg(QByteArrayView bytes)
{
    Decoding d{};
    d.info.err = jpeg_std_error(&d.errors.base);
    d.errors.base.error_exit = OnError;
    d.errors.base.emit_message = OnMessage;
    d.data = reinterpret_cast<const unsigned char*>(bytes.data());
    d.size = static_cast<unsigned long>(bytes.size());
    const bool ok = Guarded(d) && !d.tooBig;
    const int code = d.tooBig ? static_cast<int>(JERR_IMAGE_TOO_BIG) : d.errors.base.msg_code;
    jpeg_destroy_decompress(&d.info);
    if (!ok)
        throw PictureError("JPEG error #" + std::to_string(code));
    return std::move(d.image);
}

} // namespace quill
