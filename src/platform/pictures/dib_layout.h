#pragma once

// Where the parts of a device-independent bitmap lie: its info header, the colour masks and
// colours behind it, then the bits.

#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace quill {

struct DibLayout {
    qint64 width = 0;
    qint64 height = 0; // rows; a top-down bitmap's negative height as its magnitude
    int bitsPerPixel = 0;
    std::uint32_t compression = 0;
    qint64 colours = 0;    // entries of the colour table
    qint64 bitsOffset = 0; // from the start of the header: header, masks and colours
    qint64 bitsSize = 0;   // what uncompressed bits take; 0 for compressed bits
};

// The layout that the header at the start of `header` gives: a core header (12 bytes) or an
// info header (40 bytes or more). Nothing when the bytes hold no such header or it
// describes no bitmap (no width or height, an unknown bit depth or compression). The
// offsets are computed, not checked against any data length: that is the caller's.
std::optional<DibLayout> ReadDibLayout(QByteArrayView header);

// Whether the uncompressed bits of a bitmap of at most 8 bits a pixel use only colours its
// table has. Readers look colours up without checking, and a table may be shorter than the
// bit depth allows.
bool UsesOnlyItsColours(const DibLayout& layout, QByteArrayView bits);

} // namespace quill
