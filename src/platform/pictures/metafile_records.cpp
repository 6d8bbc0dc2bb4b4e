#include "metafile_records.h"

#include "byte_fields.h"
#include "dib_layout.h"
#include "picture.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace quill {

using namespace fields;

namespace {

[[noreturn]] void Invalid()
{
    throw PictureError("Metafile is not valid");
}

void Require(bool condition)
{
    if (!condition)
        Invalid();
}

// A bitmap inside a record: its header, then its colours (four bytes each, also where a
// record says they are palette indices: the libraries read them as colours), then bits for
// every pixel, naming colours of the table only. Compressed bits are refused: the
// libraries' decoders of run-length and embedded JPEG or PNG bits are where they trust
// their input most.
void CheckBitmap(QByteArrayView info, QByteArrayView bits)
{
    const auto layout = ReadDibLayout(info);
    Require(layout && layout->bitsOffset <= info.size() && layout->bitsSize > 0);
    CheckPictureSize(layout->width, layout->height);
    Require(layout->bitsSize <= bits.size() && UsesOnlyItsColours(*layout, bits));
}

// A bitmap whose header and colours lie at `infoAt` (`infoSize` bytes) of a record and whose
// bits lie at `bitsAt` (`bitsSize` bytes); no bitmap when `infoSize` is 0.
void CheckSplitBitmap(QByteArrayView record, qint64 infoAt, qint64 infoSize, qint64 bitsAt, qint64 bitsSize)
{
    if (infoSize == 0)
        return;
    Require(Fits(record, infoAt, infoSize) && Fits(record, bitsAt, bitsSize));
    CheckBitmap(record.sliced(infoAt, infoSize), record.sliced(bitsAt, bitsSize));
}

// A bitmap whose header, colours and bits follow each other from `at` to the end of a record.
void CheckPackedBitmap(QByteArrayView record, qint64 at)
{
    Require(Fits(record, at, 0));
    const QByteArrayView dib = record.sliced(at);
    const auto layout = ReadDibLayout(dib);
    Require(layout && layout->bitsOffset <= dib.size());
    CheckBitmap(dib.first(layout->bitsOffset), dib.sliced(layout->bitsOffset));
}

// A device-dependent bitmap of a Windows metafile: its 10-byte header at `at`, its bits
// `gap` bytes behind it.
void CheckBitmap16(QByteArrayView record, qint64 at, qint64 gap)
{
    Require(Fits(record, at, 10 + gap));
    const qint64 width = I16(record, at + 2);
    const qint64 height = I16(record, at + 4);
    const qint64 widthBytes = I16(record, at + 6);
    Require(width > 0 && height > 0 && widthBytes > 0);
    CheckPictureSize(width, height);
    Require(widthBytes * height <= record.size() - at - 10 - gap);
}

// ---- enhanced metafiles -------------------------------------------------------------------

enum EmfRecord : std::uint32_t {
    EmrHeader = 1,
    EmrPolyBezier = 2, EmrPolyLineTo = 6, EmrPolyPolyline = 7, EmrPolyPolygon = 8,
    EmrEof = 14,
    EmrSelectObject = 37, EmrCreatePen = 38, EmrCreateBrushIndirect = 39, EmrDeleteObject = 40,
    EmrSelectPalette = 48, EmrCreatePalette = 49, EmrSetPaletteEntries = 50, EmrResizePalette = 51,
    EmrPolyDraw = 56, EmrGdiComment = 70,
    EmrFillRgn = 71, EmrFrameRgn = 72, EmrInvertRgn = 73, EmrPaintRgn = 74, EmrExtSelectClipRgn = 75,
    EmrBitBlt = 76, EmrStretchBlt = 77, EmrMaskBlt = 78, EmrPlgBlt = 79, EmrSetDiBitsToDevice = 80,
    EmrStretchDiBits = 81, EmrExtCreateFontIndirectW = 82, EmrExtTextOutA = 83, EmrExtTextOutW = 84,
    EmrPolyBezier16 = 85, EmrPolyLineTo16 = 89, EmrPolyPolyline16 = 90, EmrPolyPolygon16 = 91,
    EmrPolyDraw16 = 92, EmrCreateMonoBrush = 93, EmrCreateDibPatternBrushPt = 94, EmrExtCreatePen = 95,
    EmrPolyTextOutA = 96, EmrPolyTextOutW = 97, EmrCreateColorSpace = 99, EmrSmallTextOut = 108,
    EmrAlphaBlend = 114, EmrTransparentBlt = 116, EmrGradientFill = 118, EmrCreateColorSpaceW = 122,
};

constexpr std::uint32_t kStockObject = 0x80000000u;

// The fixed length of the records that have nothing else: parameters of the drawing state,
// shapes given by rectangles and points.
qint64 FixedEmfLength(std::uint32_t type)
{
    switch (type) {
    case 9: case 10: case 11: case 12: case 13: case 26: case 27: case 54: case 120: return 16;
    case 15: return 20;
    case 16: case 17: case 18: case 19: case 20: case 21: case 22: case 24: case 25: case 34: case 57: case 58:
    case 67: case 98: case 100: case 101: case 115: return 12;
    case 23: case 35: case 44: return 32;
    case 29: case 30: case 31: case 32: case 42: case 43: case 53: case 62: case 63: case 64: case 111: return 24;
    case 36: return 36;
    case 41: return 28;
    case 45: case 46: case 47: case 55: return 40;
    case 104: return 48;
    default: return 8;
    }
}

class EmfRecordCheck {
public:
    EmfRecordCheck(QByteArrayView record, std::uint32_t handles) : r_(record), handles_(handles) {}

    void Run(std::uint32_t type);

private:
    void AtLeast(qint64 length) const { Require(r_.size() >= length); }
    // Room for `fixed` bytes and `count` items of `itemSize` bytes behind them.
    void Items(qint64 fixed, qint64 count, qint64 itemSize) const { Require(fixed + count * itemSize <= r_.size()); }
    // An object in use: one of the table's, or a stock object.
    void Used(qint64 at) const
    {
        const std::uint32_t index = U32(r_, at);
        Require((index & kStockObject) != 0 || index < handles_);
    }
    // An object created into the table; its first entry belongs to the metafile itself.
    void Created(qint64 at) const
    {
        const std::uint32_t index = U32(r_, at);
        Require(index > 0 && index < handles_);
    }
    // The offsets and sizes of a bitmap's header and bits at `at`.
    void Bitmap(qint64 at) const { CheckSplitBitmap(r_, U32(r_, at), U32(r_, at + 4), U32(r_, at + 8), U32(r_, at + 12)); }
    void Region(qint64 at, qint64 size) const;
    void Text(qint64 at, bool wide) const;
    void PolyPoly(qint64 pointSize) const;
    void Gradient() const;

    QByteArrayView r_;
    std::uint32_t handles_;
};

void EmfRecordCheck::Region(qint64 at, qint64 size) const
{
    Require(Fits(r_, at, size));
    if (size == 0)
        return; // the default clipping region
    Require(size >= 32);
    Require(32 + 16 * static_cast<qint64>(U32(r_, at + 8)) <= size);
}

// The text of a text output: its characters and their advances, where its offsets say.
void EmfRecordCheck::Text(qint64 at, bool wide) const
{
    Require(Fits(r_, at, 40));
    const qint64 count = U32(r_, at + 8);
    const std::uint32_t options = U32(r_, at + 16);
    Require(Fits(r_, U32(r_, at + 12), count * (wide ? 2 : 1)));
    const std::uint32_t advances = U32(r_, at + 36);
    if (advances != 0)
        Require(Fits(r_, advances, count * ((options & 0x2000) ? 8 : 4))); // ETO_PDY: x and y advances
}

// Polygons or polylines: their number, the number of points, each polygon's count, the points.
void EmfRecordCheck::PolyPoly(qint64 pointSize) const
{
    AtLeast(32);
    const qint64 polygons = U32(r_, 24);
    const qint64 points = U32(r_, 28);
    Items(32, polygons, 4);
    Items(32 + 4 * polygons, points, pointSize);
    qint64 counted = 0;
    for (qint64 i = 0; i < polygons; ++i)
        counted += U32(r_, 32 + 4 * i);
    Require(counted <= points);
}

// Vertices, then triangles or rectangles of indices into them.
void EmfRecordCheck::Gradient() const
{
    AtLeast(36);
    const qint64 vertices = U32(r_, 24);
    const qint64 shapes = U32(r_, 28);
    const bool triangles = U32(r_, 32) == 2; // GRADIENT_FILL_TRIANGLE
    const qint64 indices = triangles ? 3 : 2;
    Items(36, vertices, 16);
    Items(36 + 16 * vertices, shapes, 4 * indices);
    for (qint64 i = 0; i < shapes * indices; ++i)
        Require(U32(r_, 36 + 16 * vertices + 4 * i) < vertices);
}

void EmfRecordCheck::Run(std::uint32_t type)
{
    AtLeast(FixedEmfLength(type));
    switch (type) {
    case EmrHeader:
        Invalid(); // only the first record is a header
    case EmrPolyBezier: case 3: case 4: case 5: case EmrPolyLineTo:
        AtLeast(28);
        Items(28, U32(r_, 24), 8);
        break;
    case EmrPolyBezier16: case 86: case 87: case 88: case EmrPolyLineTo16:
        AtLeast(28);
        Items(28, U32(r_, 24), 4);
        break;
    case EmrPolyPolyline: case EmrPolyPolygon: PolyPoly(8); break;
    case EmrPolyPolyline16: case EmrPolyPolygon16: PolyPoly(4); break;
    case EmrPolyDraw: AtLeast(28); Items(28, U32(r_, 24), 9); break;
    case EmrPolyDraw16: AtLeast(28); Items(28, U32(r_, 24), 5); break;
    case EmrEof:
        AtLeast(20);
        if (U32(r_, 8) != 0)
            Require(Fits(r_, U32(r_, 12), 4 * static_cast<qint64>(U32(r_, 8))));
        break;
    case EmrSelectObject: case EmrDeleteObject: case EmrSelectPalette: AtLeast(12); Used(8); break;
    case EmrCreatePen: AtLeast(28); Created(8); break;
    case EmrCreateBrushIndirect: AtLeast(24); Created(8); break;
    case EmrCreatePalette: AtLeast(16); Created(8); Items(16, U16(r_, 14), 4); break;
    case EmrSetPaletteEntries: AtLeast(20); Used(8); Items(20, U32(r_, 16), 4); break;
    case EmrResizePalette: AtLeast(16); Used(8); break;
    case EmrGdiComment: AtLeast(12); Items(12, U32(r_, 8), 1); break;
    case EmrFillRgn: AtLeast(32); Used(28); Region(32, U32(r_, 24)); break;
    case EmrFrameRgn: AtLeast(40); Used(28); Region(40, U32(r_, 24)); break;
    case EmrInvertRgn: case EmrPaintRgn: AtLeast(28); Region(28, U32(r_, 24)); break;
    case EmrExtSelectClipRgn: AtLeast(16); Region(16, U32(r_, 8)); break;
    case EmrBitBlt: AtLeast(100); Bitmap(84); break;
    case EmrStretchBlt: case EmrAlphaBlend: case EmrTransparentBlt: AtLeast(108); Bitmap(84); break;
    case EmrMaskBlt: AtLeast(128); Bitmap(84); Bitmap(112); break;
    case EmrPlgBlt: AtLeast(140); Bitmap(96); Bitmap(124); break;
    case EmrSetDiBitsToDevice: AtLeast(76); Bitmap(48); break;
    case EmrStretchDiBits: AtLeast(80); Bitmap(48); break;
    case EmrCreateMonoBrush: case EmrCreateDibPatternBrushPt: AtLeast(32); Created(8); Bitmap(16); break;
    case EmrExtCreatePen: AtLeast(52); Created(8); Items(52, U32(r_, 48), 4); Bitmap(12); break;
    case EmrExtCreateFontIndirectW: AtLeast(12 + 92); Created(8); break; // a LOGFONTW at least
    case EmrExtTextOutA: case EmrExtTextOutW: AtLeast(76); Text(36, type == EmrExtTextOutW); break;
    case EmrPolyTextOutA: case EmrPolyTextOutW: {
        AtLeast(40);
        const qint64 strings = U32(r_, 36);
        Items(40, strings, 40);
        for (qint64 i = 0; i < strings; ++i)
            Text(40 + 40 * i, type == EmrPolyTextOutW);
        break;
    }
    case EmrSmallTextOut: {
        AtLeast(36);
        const std::uint32_t options = U32(r_, 20);
        const qint64 textAt = (options & 0x100) ? 36 : 52; // ETO_NO_RECT leaves the bounds out
        Items(textAt, U32(r_, 16), (options & 0x200) ? 1 : 2); // ETO_SMALL_CHARS: 8-bit characters
        break;
    }
    case EmrCreateColorSpace: case EmrCreateColorSpaceW: AtLeast(12); Created(8); break;
    case EmrGradientFill: Gradient(); break;
    default: break;
    }
}

// ---- Windows metafiles --------------------------------------------------------------------

enum WmfFunction : std::uint16_t {
    MetaEof = 0x0000,
    MetaSetWindowOrg = 0x020B, MetaSetWindowExt = 0x020C,
    MetaPolygon = 0x0324, MetaPolyline = 0x0325, MetaPolyPolygon = 0x0538,
    MetaTextOut = 0x0521, MetaExtTextOut = 0x0A32, MetaEscape = 0x0626,
    MetaSelectObject = 0x012D, MetaDeleteObject = 0x01F0, MetaSelectPalette = 0x0234,
    MetaSelectClipRegion = 0x012C, MetaResizePalette = 0x0139, MetaInvertRegion = 0x012A,
    MetaPaintRegion = 0x012B, MetaFillRegion = 0x0228, MetaFrameRegion = 0x0429,
    MetaCreatePenIndirect = 0x02FA, MetaCreateBrushIndirect = 0x02FC, MetaCreateFontIndirect = 0x02FB,
    MetaCreatePalette = 0x00F7, MetaSetPalEntries = 0x0037, MetaAnimatePalette = 0x0436,
    MetaCreateRegion = 0x06FF, MetaCreatePatternBrush = 0x01F9, MetaDibCreatePatternBrush = 0x0142,
    MetaBitBlt = 0x0922, MetaStretchBlt = 0x0B23, MetaDibBitBlt = 0x0940, MetaDibStretchBlt = 0x0B41,
    MetaStretchDib = 0x0F43, MetaSetDibToDev = 0x0D33,
};

// The 16-bit parameters that the records of a fixed length have.
qint64 FixedWmfParameters(std::uint16_t function)
{
    switch (function) {
    case 0x0102: case 0x0103: case 0x0104: case 0x0105: case 0x0106: case 0x0107: case 0x0108: case 0x0127:
    case 0x012A: case 0x012B: case 0x012C: case 0x012D: case 0x012E: case 0x0139: case 0x01F0: case 0x0234:
        return 1;
    case 0x0201: case 0x0209: case 0x020A: case 0x020B: case 0x020C: case 0x020D: case 0x020E: case 0x020F:
    case 0x0211: case 0x0213: case 0x0214: case 0x0220: case 0x0228: case 0x0231:
        return 2;
    case 0x0410: case 0x0412: case 0x0415: case 0x0416: case 0x0418: case 0x0419: case 0x041B: case 0x041F:
    case 0x0429: case 0x02FC:
        return 4;
    case 0x0548: case 0x02FA: return 5;
    case 0x061C: case 0x061D: return 6;
    case 0x0817: case 0x081A: case 0x0830: return 8;
    case 0x02FB: return 9; // a LOGFONT without its face name
    default: return 0;
    }
}

// The object table of a Windows metafile: a created object takes the lowest free entry.
class ObjectTable {
public:
    explicit ObjectTable(int size) : used_(static_cast<std::size_t>(size), false) {}
    void Create()
    {
        const auto free = std::find(used_.begin(), used_.end(), false);
        Require(free != used_.end());
        *free = true;
    }
    void RequireUsed(std::uint16_t index) const { Require(index < used_.size() && used_[index]); }
    void Delete(std::uint16_t index)
    {
        RequireUsed(index);
        used_[index] = false;
    }

private:
    std::vector<bool> used_;
};

class WmfRecordCheck {
public:
    WmfRecordCheck(QByteArrayView record, ObjectTable& objects) : r_(record), objects_(objects) {}

    void Run(std::uint16_t function);

private:
    void Items(qint64 fixed, qint64 count, qint64 itemSize) const
    {
        Require(count >= 0 && fixed + count * itemSize <= r_.size());
    }
    // Whether a bitmap record carries a bitmap: the records without one are shorter.
    bool HasBitmap(std::uint16_t function) const { return r_.size() != 2 * (3 + (function >> 8)); }
    void Region() const;

    QByteArrayView r_;
    ObjectTable& objects_;
};

// A region: its header, then scans of pairs of x coordinates between a top and a bottom.
void WmfRecordCheck::Region() const
{
    Require(Fits(r_, 6, 22));
    qint64 at = 6 + 22;
    const qint64 scans = I16(r_, 6 + 10);
    Require(scans >= 0);
    for (qint64 i = 0; i < scans; ++i) {
        const qint64 coordinates = U16(r_, at);
        Require(coordinates % 2 == 0 && Fits(r_, at, 8 + 2 * coordinates));
        at += 8 + 2 * coordinates;
    }
}

void WmfRecordCheck::Run(std::uint16_t function)
{
    Items(6, FixedWmfParameters(function), 2);
    switch (function) {
    case MetaPolygon: case MetaPolyline: Items(8, I16(r_, 6), 4); break;
    case MetaPolyPolygon: {
        const qint64 polygons = I16(r_, 6);
        Items(8, polygons, 2);
        qint64 points = 0;
        for (qint64 i = 0; i < polygons; ++i)
            points += U16(r_, 8 + 2 * i);
        Items(8 + 2 * polygons, points, 4);
        break;
    }
    case MetaTextOut: {
        const qint64 length = I16(r_, 6);
        Items(8 + 4, (length + 1) / 2, 2); // the string padded to whole words, then y and x
        break;
    }
    case MetaExtTextOut: {
        Items(14, 0, 0);
        const qint64 rectangle = (U16(r_, 12) & 0x0006) ? 8 : 0; // ETO_OPAQUE or ETO_CLIPPED
        Items(14 + rectangle, I16(r_, 10), 1);
        break;
    }
    case MetaEscape: Items(10, U16(r_, 8), 1); break;
    case MetaSelectObject: case MetaSelectPalette: case MetaSelectClipRegion: case MetaResizePalette:
    case MetaInvertRegion: case MetaPaintRegion:
        objects_.RequireUsed(U16(r_, 6));
        break;
    case MetaFillRegion: objects_.RequireUsed(U16(r_, 6)); objects_.RequireUsed(U16(r_, 8)); break;
    case MetaFrameRegion: objects_.RequireUsed(U16(r_, 6)); objects_.RequireUsed(U16(r_, 8)); break;
    case MetaDeleteObject: objects_.Delete(U16(r_, 6)); break;
    case MetaCreatePenIndirect: case MetaCreateBrushIndirect: case MetaCreateFontIndirect: objects_.Create(); break;
    case MetaCreatePalette: Items(10, U16(r_, 8), 4); objects_.Create(); break;
    case MetaSetPalEntries: case MetaAnimatePalette: Items(10, U16(r_, 8), 4); break;
    case MetaCreateRegion: Region(); objects_.Create(); break;
    case MetaCreatePatternBrush: CheckBitmap16(r_, 6, 18); objects_.Create(); break;
    case MetaDibCreatePatternBrush:
        Items(10, 0, 0);
        if (U16(r_, 6) == 3) // BS_PATTERN: a device-dependent bitmap
            CheckBitmap16(r_, 10, 0);
        else
            CheckPackedBitmap(r_, 10);
        objects_.Create();
        break;
    case MetaBitBlt: if (HasBitmap(function)) CheckBitmap16(r_, 22, 0); break;
    case MetaStretchBlt: if (HasBitmap(function)) CheckBitmap16(r_, 26, 0); break;
    case MetaDibBitBlt: if (HasBitmap(function)) CheckPackedBitmap(r_, 22); break;
    case MetaDibStretchBlt: if (HasBitmap(function)) CheckPackedBitmap(r_, 26); break;
    case MetaStretchDib: CheckPackedBitmap(r_, 28); break;
    case MetaSetDibToDev: CheckPackedBitmap(r_, 24); break;
    default: break;
    }
}

// The header's description: a UTF-16 text that libemf2svg reads up to its terminating zero,
// wherever its offset points, whatever its length says.
void CheckDescription(QByteArrayView header)
{
    const qint64 length = U32(header, 60);
    const qint64 at = U32(header, 64);
    if (length == 0 && at == 0)
        return;
    Require(at % 2 == 0 && Fits(header, at, 2 * length));
    for (qint64 end = at; Fits(header, end, 2); end += 2)
        if (U16(header, end) == 0)
            return;
    Invalid();
}

} // namespace

EmfFrame CheckEnhancedMetafile(QByteArrayView bytes)
{
    constexpr qint64 kHeaderSize = 88;
    Require(Fits(bytes, 0, kHeaderSize) && U32(bytes, 0) == EmrHeader && U32(bytes, 40) == kEmfSignature);
    const qint64 headerSize = U32(bytes, 4);
    Require(headerSize >= kHeaderSize && headerSize % 4 == 0 && Fits(bytes, 0, headerSize));
    const QByteArrayView header = bytes.first(headerSize);
    CheckDescription(header);
    if (headerSize >= 100 && U32(header, 88) != 0)
        Require(Fits(header, U32(header, 92), U32(header, 88))); // the pixel format
    const std::uint32_t handles = U16(header, 56);

    qint64 at = headerSize;
    for (;;) {
        Require(Fits(bytes, at, 8));
        const std::uint32_t type = U32(bytes, at);
        const qint64 size = U32(bytes, at + 4);
        Require(size >= 8 && size % 4 == 0 && Fits(bytes, at, size));
        EmfRecordCheck(bytes.sliced(at, size), handles).Run(type);
        at += size;
        if (type == EmrEof)
            break;
    }

    EmfFrame result;
    result.length = at;
    result.bounds = QRectF(QPointF(I32(header, 8), I32(header, 12)), QPointF(I32(header, 16), I32(header, 20)));
    const QRectF himetric(QPointF(I32(header, 24), I32(header, 28)), QPointF(I32(header, 32), I32(header, 36)));
    const qint64 devicePixelsX = I32(header, 72);
    const qint64 devicePixelsY = I32(header, 76);
    const qint64 deviceMillimetresX = I32(header, 80);
    const qint64 deviceMillimetresY = I32(header, 84);
    if (himetric.width() > 0 && himetric.height() > 0) {
        CheckPictureSize(static_cast<qint64>(himetric.width()) * 96 / 2540, static_cast<qint64>(himetric.height()) * 96 / 2540);
        if (devicePixelsX > 0 && devicePixelsY > 0 && deviceMillimetresX > 0 && deviceMillimetresY > 0) {
            const double scaleX = double(devicePixelsX) / (100.0 * double(deviceMillimetresX));
            const double scaleY = double(devicePixelsY) / (100.0 * double(deviceMillimetresY));
            result.frame = QRectF(himetric.left() * scaleX, himetric.top() * scaleY, himetric.width() * scaleX,
                                  himetric.height() * scaleY);
        }
    }
    return result;
}

WmfFrame CheckWindowsMetafile(QByteArrayView bytes)
{
    constexpr qint64 kPlaceableSize = 22;
    constexpr qint64 kHeaderSize = 18;
    WmfFrame result;
    if (U32(bytes, 0) == kPlaceableKey) {
        Require(Fits(bytes, 0, kPlaceableSize));
        result.placeable = true;
        result.headerAt = kPlaceableSize;
        result.unitsPerInch = U16(bytes, 14);
        result.box = QRectF(QPointF(I16(bytes, 6), I16(bytes, 8)), QPointF(I16(bytes, 10), I16(bytes, 12)));
        Require(result.unitsPerInch > 0 && result.box.width() > 0 && result.box.height() > 0);
        CheckPictureSize(static_cast<qint64>(result.box.width()) * 96 / result.unitsPerInch,
                         static_cast<qint64>(result.box.height()) * 96 / result.unitsPerInch);
    }
    const QByteArrayView metafile = bytes.sliced(result.headerAt);
    const std::uint16_t kind = U16(metafile, 0);
    Require(Fits(metafile, 0, kHeaderSize) && (kind == 1 || kind == 2) && U16(metafile, 2) == 9);

    ObjectTable objects(U16(metafile, 10));
    std::optional<QPointF> origin;
    std::optional<QSizeF> extent;
    qint64 at = kHeaderSize;
    while (at < metafile.size()) {
        Require(Fits(metafile, at, 6));
        const qint64 words = U32(metafile, at);
        Require(words >= 3 && Fits(metafile, at, 2 * words));
        const std::uint16_t function = U16(metafile, at + 4);
        const QByteArrayView record = metafile.sliced(at, 2 * words);
        WmfRecordCheck(record, objects).Run(function);
        if (function == MetaSetWindowOrg && !origin)
            origin = QPointF(I16(record, 8), I16(record, 6));
        else if (function == MetaSetWindowExt && !extent)
            extent = QSizeF(I16(record, 8), I16(record, 6));
        result.largestRecord = std::max(result.largestRecord, static_cast<std::uint32_t>(words));
        at += 2 * words;
        if (function == MetaEof)
            break;
    }
    result.length = result.headerAt + at;
    if (!result.placeable && extent) {
        // A window may run upwards or leftwards: its extent is then negative.
        const QRectF window = QRectF(origin.value_or(QPointF()), *extent).normalized();
        if (!window.isEmpty())
            result.box = window;
    }
    return result;
}

} // namespace quill
