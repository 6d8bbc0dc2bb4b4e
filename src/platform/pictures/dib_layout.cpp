#include "dib_layout.h"

#include "byte_fields.h"

#include <limits>

namespace quill {

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

enum Compression : std::uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiJpeg = 4, BiPng = 5, BiAlphaBitfields = 6 };

bool KnownDepth(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

std::optional<DibLayout> ReadDibLayout(QByteArrayView header)
{
    using namespace fields;
    const std::uint32_t headerSize = U32(header, 0);
    DibLayout layout;
    qint64 colourBytes = 0;
    if (headerSize == kCoreHeaderSize && Fits(header, 0, kCoreHeaderSize)) {
        layout.width = U16(header, 4);
        layout.height = U16(header, 6);
        layout.bitsPerPixel = U16(header, 10);
        if (layout.bitsPerPixel <= 8)
            layout.colours = qint64(1) << layout.bitsPerPixel;
        colourBytes = 3 * layout.colours;
    } else if (headerSize >= kInfoHeaderSize && Fits(header, 0, kInfoHeaderSize)) {
        layout.width = I32(header, 4);
        const qint64 height = I32(header, 8);
        layout.height = height < 0 ? -height : height;
        layout.bitsPerPixel = U16(header, 14);
        layout.compression = U32(header, 16);
        layout.colours = U32(header, 32);
        if (layout.colours == 0 && layout.bitsPerPixel <= 8)
            layout.colours = qint64(1) << layout.bitsPerPixel;
        colourBytes = 4 * layout.colours;
        // An info header of 40 bytes keeps its colour masks behind it; the longer ones hold them.
        if (headerSize == kInfoHeaderSize && layout.compression == BiBitfields)
            colourBytes += 12;
        else if (headerSize == kInfoHeaderSize && layout.compression == BiAlphaBitfields)
            colourBytes += 16;
    } else {
        return std::nullopt;
    }
    const bool encoded = layout.compression == BiJpeg || layout.compression == BiPng;
    if (layout.width <= 0 || layout.height <= 0 || (!encoded && !KnownDepth(layout.bitsPerPixel)) ||
        layout.compression > BiAlphaBitfields)
        return std::nullopt;
    layout.bitsOffset = headerSize + colourBytes;
    if (layout.compression == BiRgb || layout.compression == BiBitfields || layout.compression == BiAlphaBitfields) {
        const qint64 rowBytes = (layout.width * layout.bitsPerPixel + 31) / 32 * 4;
        constexpr qint64 kMost = std::numeric_limits<qint64>::max();
        layout.bitsSize = layout.height <= kMost / rowBytes ? rowBytes * layout.height : kMost;
    }
    return layout;
}

bool UsesOnlyItsColours(const DibLayout& layout, QByteArrayView bits)
{
    const int depth = layout.bitsPerPixel;
    if (depth > 8 || layout.colours >= (qint64(1) << depth))
        return true;
    const qint64 rowBytes = (layout.width * depth + 31) / 32 * 4;
    if (rowBytes * layout.height > bits.size())
        return false;
    const auto* data = reinterpret_cast<const unsigned char*>(bits.data());
    const int mask = (1 << depth) - 1;
    for (qint64 y = 0; y < layout.height; ++y) {
        const unsigned char* row = data + y * rowBytes;
        for (qint64 x = 0; x < layout.width; ++x) {
            const qint64 bit = x * depth;
            const int index = (row[bit / 8] >> (8 - depth - bit % 8)) & mask;
            if (index >= layout.colours)
                return false;
        }
    }
    return true;
}

} // namespace quill
