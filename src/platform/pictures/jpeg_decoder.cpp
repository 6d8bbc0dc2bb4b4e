// JPEG decoding through libjpeg's decompression interface.
#include "picture.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

namespace quill {

namespace {

// A progressive JPEG goes over the whole image once a scan: a few dozen scans are usual,
// thousands only make a small file take minutes.
constexpr int kMaxScans = 100;
// What libjpeg may take besides the image itself (the coefficients of a progressive image).
constexpr long kMaxLibraryMemory = 512L * 1024 * 1024;

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
    jpeg_progress_mgr progress;
    QImage image;
    bool tooBig = false;
};

void OnProgress(j_common_ptr info)
{
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans)
        ERREXIT(info, JERR_BAD_PROGRESSION); // reported as "JPEG error #" like any other failure
}

// The libjpeg calls, which may leave by longjmp: no object with a destructor lives here.
void Decode(Decoding& d)
{
    jpeg_create_decompress(&d.info);
    d.info.mem->max_memory_to_use = kMaxLibraryMemory;
    d.info.progress = &d.progress;
    jpeg_mem_src(&d.info, d.data, d.size);
    jpeg_read_header(&d.info, TRUE);
    // The size is checked before the decompression allocates anything for it.
    if (static_cast<qint64>(d.info.image_width) > kMaxPictureSide || static_cast<qint64>(d.info.image_height) > kMaxPictureSide ||
        static_cast<qint64>(d.info.image_width) * d.info.image_height > kMaxPicturePixels) {
        d.tooBig = true;
        return;
    }
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.info);
    d.image = QImage(static_cast<int>(d.info.output_width), static_cast<int>(d.info.output_height),
                     cmyk ? QImage::Format_RGB32 : QImage::Format_RGB888);
    if (d.image.isNull())
        ERREXIT(&d.info, JERR_OUT_OF_MEMORY);
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
    d.progress.progress_monitor = OnProgress;
    d.data = reinterpret_cast<const unsigned char*>(bytes.data());
    d.size = static_cast<unsigned long>(bytes.size());
    const bool ok = Guarded(d);
    const JDIMENSION width = d.info.image_width;
    const JDIMENSION height = d.info.image_height;
    jpeg_destroy_decompress(&d.info);
    if (d.tooBig)
        CheckPictureSize(width, height);
    if (!ok)
        throw PictureError("JPEG error #" + std::to_string(d.errors.base.msg_code));
    return std::move(d.image);
}

} // namespace quill
