#pragma once

// The records of a metafile checked before a library plays it. libemf2svg and libwmf trust
// much of what a metafile says about itself (record lengths, counts of points and
// characters, object numbers, the offsets and sizes of bitmaps inside records); a metafile
// reaches them only when every one of those fits.

#include <QByteArrayView>
#include <QRectF>

#include <cstdint>

namespace quill {

constexpr std::uint32_t kEmfSignature = 0x464D4520u; // " EMF"
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u; // a Windows metafile's placeable header

// Where an enhanced metafile's picture lies, in the pixels of the device it was made on.
struct EmfFrame {
    qint64 length = 0; // the bytes up to the end of the end-of-file record
    QRectF bounds;     // the header's bounds: what was drawn
    QRectF frame;      // the header's frame: the picture's own rectangle
};

// Fails with "Metafile is not valid" when a record does not fit, or with the too-large
// message for a frame or a bitmap beyond the size limit.
EmfFrame CheckEnhancedMetafile(QByteArrayView bytes);

// Where a Windows metafile's picture lies, in its logical units, and what its header should
// have said about its records.
struct WmfFrame {
    bool placeable = false; // whether a placeable header comes first
    QRectF box;             // the placeable header's box, else the window's first origin and
                            // extent; empty when the metafile gives neither
    int unitsPerInch = 0;   // of the placeable header; 0 without one
    qint64 headerAt = 0;    // where the metafile header starts: 22 behind a placeable header
    qint64 length = 0;      // the bytes up to the end of the last record
    std::uint32_t largestRecord = 0; // in 16-bit words, as the header's maximum record size
};

// The same checks for a Windows metafile, with or without its placeable header.
WmfFrame CheckWindowsMetafile(QByteArrayView bytes);

} // namespace quill
