// Windows metafiles through libwmf's SVG device.
#include "metafile_svg.h"

#include "metafile_records.h"
#include "picture.h"

// libwmf defines macros with short names (U16, U32, ...): this file uses no such names.
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quill {

namespace {

constexpr int kIsotropic = 7;   // MM_ISOTROPIC
constexpr int kAnisotropic = 8; // MM_ANISOTROPIC
constexpr qint64 kPlaceableSize = 22;
constexpr qint64 kHeaderSize = 18;
// libwmf works in points, 72 to the inch.
constexpr double kPointsPerInch = 72.0;
// The SVG's units when the metafile gives no physical size: the longer side of the picture.
constexpr double kUnitsWithoutSize = 1000.0;
// The unit of the placeable header made for a metafile's window. It does not change what is
// drawn, only the size libwmf reports.
constexpr int kWindowUnitsPerInch = 1440;

// libwmf's memory, counted: a metafile cannot make it take more than its budget.
class MemoryBudget {
public:
    static void* Allocate(void* context, std::size_t size) { return static_cast<MemoryBudget*>(context)->Resize(nullptr, size); }
    static void* Reallocate(void* context, void* memory, std::size_t size)
    {
        return static_cast<MemoryBudget*>(context)->Resize(memory, size);
    }
    static void Free(void* context, void* memory)
    {
        if (!memory)
            return;
        char* block = static_cast<char*>(memory) - kPrefix;
        static_cast<MemoryBudget*>(context)->used_ -= SizeOf(block);
        std::free(block);
    }

private:
    static constexpr std::size_t kLimit = 512u * 1024u * 1024u;
    static constexpr std::size_t kPrefix = alignof(std::max_align_t); // keeps each block's size

    static std::size_t SizeOf(const char* block)
    {
        std::size_t size;
        std::memcpy(&size, block, sizeof size);
        return size;
    }

    void* Resize(void* memory, std::size_t size)
    {
        char* block = memory ? static_cast<char*>(memory) - kPrefix : nullptr;
        const std::size_t old = block ? SizeOf(block) : 0;
        if (size > kLimit || used_ - old + size > kLimit)
            return nullptr;
        char* resized = static_cast<char*>(std::realloc(block, size + kPrefix));
        if (!resized)
            return nullptr;
        std::memcpy(resized, &size, sizeof size);
        used_ = used_ - old + size;
        return resized + kPrefix;
    }

    std::size_t used_ = 0;
};

// What libwmf reads: a placeable header (the metafile's own or one made from its window), a
// metafile header whose sizes are those the records were found to have, then the records
// themselves, read in place.
class MetafileInput {
public:
    MetafileInput(QByteArrayView bytes, const WmfFrame& frame, bool framedByWindow)
        : records_(bytes.sliced(frame.headerAt + kHeaderSize, frame.length - frame.headerAt - kHeaderSize))
    {
        if (frame.placeable) {
            prefix_.append(bytes.data(), kPlaceableSize);
        } else if (framedByWindow) {
            AppendPlaceable(frame.box);
        }
        QByteArray header(bytes.data() + frame.headerAt, kHeaderSize);
        qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>((frame.length - frame.headerAt) / 2), header.data() + 6);
        qToLittleEndian<std::uint32_t>(frame.largestRecord, header.data() + 12);
        prefix_.append(header);
    }

    static int Read(void* context)
    {
        auto* input = static_cast<MetafileInput*>(context);
        const qint64 at = input->position_;
        if (at >= input->Size())
            return EOF;
        ++input->position_;
        const char byte = at < input->prefix_.size() ? input->prefix_[at] : input->records_[at - input->prefix_.size()];
        return static_cast<unsigned char>(byte);
    }
    static int Seek(void* context, long position)
    {
        auto* input = static_cast<MetafileInput*>(context);
        if (position < 0 || position > input->Size())
            return -1;
        input->position_ = position;
        return 0;
    }
    static long Tell(void* context) { return static_cast<long>(static_cast<MetafileInput*>(context)->position_); }

private:
    qint64 Size() const { return prefix_.size() + records_.size(); }

    // A placeable header for the box in logical units.
    void AppendPlaceable(const QRectF& box)
    {
        const std::int16_t fields[] = {0, static_cast<std::int16_t>(box.left()), static_cast<std::int16_t>(box.top()),
                                       static_cast<std::int16_t>(box.right()), static_cast<std::int16_t>(box.bottom()),
                                       kWindowUnitsPerInch, 0, 0};
        QByteArray header(kPlaceableSize, '\0');
        qToLittleEndian<std::uint32_t>(kPlaceableKey, header.data());
        for (std::size_t i = 0; i < std::size(fields); ++i)
            qToLittleEndian<std::int16_t>(fields[i], header.data() + 4 + 2 * i);
        std::uint16_t checksum = 0;
        for (int i = 0; i < 10; ++i)
            checksum ^= qFromLittleEndian<std::uint16_t>(header.constData() + 2 * i);
        qToLittleEndian<std::uint16_t>(checksum, header.data() + 20);
        prefix_.append(header);
    }

    QByteArray prefix_;
    QByteArrayView records_;
    qint64 position_ = 0;
};

bool FitsInt16(const QRectF& box)
{
    return box.left() >= -32768 && box.top() >= -32768 && box.right() <= 32767 && box.bottom() <= 32767;
}

// libwmf's SVG device writes an image's place and size and then also the scale from the
// bitmap's pixels to that size, which would draw it that much larger again: the scale goes.
QByteArray WithoutImageScales(QByteArray svg)
{
    static const QByteArray kImage = "<image ";
    static const QByteArray kTransform = "transform=\"";
    for (qsizetype image = svg.indexOf(kImage); image >= 0; image = svg.indexOf(kImage, image + 1)) {
        const qsizetype end = svg.indexOf('>', image);
        const qsizetype transform = svg.indexOf(kTransform, image);
        if (end < 0 || transform < 0 || transform > end)
            continue;
        const qsizetype close = svg.indexOf('"', transform + kTransform.size());
        if (close >= 0 && close < end)
            svg.remove(transform, close + 1 - transform);
    }
    return svg;
}

struct ApiOwner {
    wmfAPI* api = nullptr;
    ~ApiOwner()
    {
        if (api)
            wmf_api_destroy(api);
    }
};

// Where the SVG's canvas lies in libwmf's points, and how many units it has.
struct Canvas {
    wmfD_Rect shown{};
    QSizeF units;
};

// The picture's box (from its top-left corner) at pixels where the physical size is known,
// or, for a metafile that has no box, what it draws.
Canvas CanvasOf(const WmfFrame& frame, bool framedByWindow, const wmfD_Rect& drawn)
{
    Canvas canvas;
    if (frame.placeable || framedByWindow) {
        const int unitsPerInch = frame.placeable ? frame.unitsPerInch : kWindowUnitsPerInch;
        const QRectF& box = frame.box;
        canvas.shown.BR = {static_cast<float>(box.width() * kPointsPerInch / unitsPerInch),
                           static_cast<float>(box.height() * kPointsPerInch / unitsPerInch)};
        canvas.units = frame.placeable ? box.size() * 96.0 / unitsPerInch
                                       : box.size() * (kUnitsWithoutSize / std::max(box.width(), box.height()));
        return canvas;
    }
    const double width = double(drawn.BR.x) - drawn.TL.x;
    const double height = double(drawn.BR.y) - drawn.TL.y;
    if (!(width > 0 && height > 0))
        throw PictureError("Metafile is not valid");
    canvas.shown = drawn;
    canvas.units = QSizeF(width, height) * (kUnitsWithoutSize / std::max(width, height));
    return canvas;
}

// Plays the scanned metafile into SVG text on the canvas; empty when playing fails.
QByteArray Play(wmfAPI* api, const Canvas& canvas, wmfD_Rect drawn, QSize& units)
{
    wmf_svg_t* device = WMF_SVG_GetData(api);
    device->out = wmf_stream_create(api, nullptr);
    if (!device->out)
        return {};
    device->Description = const_cast<char*>("");
    device->bbox = canvas.shown;
    device->width = static_cast<unsigned int>(std::max(1.0, std::ceil(canvas.units.width())));
    device->height = static_cast<unsigned int>(std::max(1.0, std::ceil(canvas.units.height())));
    device->flags |= WMF_SVG_INLINE_IMAGES;
    const wmf_error_t played = wmf_play(api, 0, &drawn);
    char* text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, device->out, &text, &length);
    QByteArray svg;
    if (text) {
        if (played == wmf_E_None)
            svg = WithoutImageScales(QByteArray(text, static_cast<qsizetype>(length)));
        wmf_free(api, text);
    }
    units = QSize(static_cast<int>(device->width), static_cast<int>(device->height));
    return svg;
}

} // namespace

MetafileSvg WindowsMetafileToSvg(QByteArrayView bytes, int mappingMode)
{
    const WmfFrame frame = CheckWindowsMetafile(bytes);
    const bool framedByWindow = !frame.placeable && (mappingMode == kIsotropic || mappingMode == kAnisotropic) &&
                                !frame.box.isEmpty() && FitsInt16(frame.box);
    MetafileInput input(bytes, frame, framedByWindow);

    MemoryBudget budget;
    wmfAPI_Options options{};
    options.context = &budget;
    options.malloc = &MemoryBudget::Allocate;
    options.realloc = &MemoryBudget::Reallocate;
    options.free = &MemoryBudget::Free;
    options.function = wmf_svg_function;
    const unsigned long flags =
        WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    ApiOwner owner;
    wmfD_Rect drawn{};
    if (wmf_api_create(&owner.api, flags, &options) != wmf_E_None ||
        wmf_bbuf_input(owner.api, &MetafileInput::Read, &MetafileInput::Seek, &MetafileInput::Tell, &input) != wmf_E_None ||
        wmf_scan(owner.api, 0, &drawn) != wmf_E_None)
        throw PictureError("Metafile is not valid");

    QSize units;
    MetafileSvg result;
    result.svg = Play(owner.api, CanvasOf(frame, framedByWindow, drawn), drawn, units);
    if (result.svg.isEmpty())
        throw PictureError("Metafile is not valid");
    result.frame = QRectF(QPointF(), units);
    return result;
}

} // namespace quill
