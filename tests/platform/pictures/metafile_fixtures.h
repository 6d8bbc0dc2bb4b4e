#pragma once

// Metafiles and bitmaps built field by field as their formats lay them out, for the tests
// that draw them: a red ellipse as an enhanced and as a Windows metafile, and palette bitmaps.

#include <QByteArray>
#include <QRect>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace fixtures {

// Little-endian fields appended one after the other.
class Fields {
public:
    Fields& U32(std::uint32_t value) { return Put(value); }
    Fields& I32(std::int32_t value) { return Put(value); }
    Fields& U16(std::uint16_t value) { return Put(value); }
    Fields& I16(std::int16_t value) { return Put(value); }
    Fields& Bytes(const QByteArray& bytes)
    {
        bytes_ += bytes;
        return *this;
    }
    const QByteArray& Data() const { return bytes_; }

private:
    template <typename T>
    Fields& Put(T value)
    {
        char field[sizeof(T)];
        qToLittleEndian(value, field);
        bytes_.append(field, sizeof(T));
        return *this;
    }
    QByteArray bytes_;
};

// An enhanced metafile: records added one by one, then the header and end-of-file record
// around them. The reference device has 96 pixels to the inch (1000 pixels, 264.58 mm).
class Emf {
public:
    Emf& Record(std::uint32_t type, const Fields& parameters)
    {
        records_ += Fields().U32(type).U32(static_cast<std::uint32_t>(8 + parameters.Data().size())).Data();
        records_ += parameters.Data();
        ++count_;
        return *this;
    }
    Emf& SolidBrush(std::uint32_t index, std::uint32_t colorRef) // EMR_CREATEBRUSHINDIRECT
    {
        return Record(39, Fields().U32(index).U32(0).U32(colorRef).U32(0));
    }
    Emf& Select(std::uint32_t index) { return Record(37, Fields().U32(index)); } // EMR_SELECTOBJECT
    Emf& Ellipse(const QRect& box) { return Record(42, Box(box)); }
    Emf& Rectangle(const QRect& box) { return Record(43, Box(box)); }

    // `bounds` in device pixels (what is drawn), `frame` in 0.01 mm (the picture).
    QByteArray Finish(const QRect& bounds, const QRect& frame) const
    {
        const QByteArray end = Fields().U32(14).U32(20).U32(0).U32(16).U32(20).Data(); // EMR_EOF
        const auto total = static_cast<std::uint32_t>(88 + records_.size() + end.size());
        Fields header;
        header.U32(1).U32(88).Bytes(Box(bounds, true).Data()).Bytes(Box(frame, true).Data());
        header.U32(0x464D4520).U32(0x10000).U32(total).U32(static_cast<std::uint32_t>(count_ + 2));
        header.U16(8).U16(0).U32(0).U32(0).U32(0);
        header.I32(1000).I32(1000).I32(265).I32(265);
        return header.Data() + records_ + end;
    }

    static Fields Box(const QRect& box, bool inclusive = false)
    {
        const int shrink = inclusive ? 1 : 0;
        return Fields().I32(box.left()).I32(box.top()).I32(box.left() + box.width() - shrink).I32(box.top() + box.height() - shrink);
    }

private:
    QByteArray records_;
    int count_ = 0;
};

constexpr std::uint32_t kRed = 0x000000FF;   // COLORREF 0x00BBGGRR
constexpr std::uint32_t kBlue = 0x00FF0000;
constexpr std::uint32_t kNullPen = 0x80000008; // a stock object

// 0.01 mm for a number of pixels at 96 to the inch.
inline int Himetric(int pixels)
{
    return pixels * 2540 / 96;
}

// A red ellipse filling a 100 x 50 pixel picture.
inline QByteArray RedEllipseEmf()
{
    return Emf().SolidBrush(1, kRed).Select(1).Select(kNullPen).Ellipse(QRect(0, 0, 100, 50))
        .Finish(QRect(0, 0, 100, 50), QRect(0, 0, Himetric(100), Himetric(50)));
}

// A Windows metafile: records added one by one, then the header (and a placeable header
// when asked) in front and the end-of-file record behind.
class Wmf {
public:
    Wmf& Record(std::uint16_t function, const Fields& parameters)
    {
        const auto words = static_cast<std::uint32_t>(3 + parameters.Data().size() / 2);
        records_ += Fields().U32(words).U16(function).Data() + parameters.Data();
        largest_ = std::max(largest_, words);
        return *this;
    }
    Wmf& Window(const QRect& window) // META_SETWINDOWORG, META_SETWINDOWEXT: y before x
    {
        Record(0x020B, Fields().I16(static_cast<std::int16_t>(window.top())).I16(static_cast<std::int16_t>(window.left())));
        return Record(0x020C, Fields().I16(static_cast<std::int16_t>(window.height())).I16(static_cast<std::int16_t>(window.width())));
    }
    Wmf& SolidBrush(std::uint32_t colorRef) { return Record(0x02FC, Fields().U16(0).U32(colorRef).U16(0)); }
    Wmf& NullPen() { return Record(0x02FA, Fields().U16(5).I16(0).I16(0).U32(0)); } // PS_NULL
    Wmf& Select(std::uint16_t index) { return Record(0x012D, Fields().U16(index)); }
    Wmf& Ellipse(const QRect& box) { return Record(0x0418, Reversed(box)); }
    Wmf& Rectangle(const QRect& box) { return Record(0x041B, Reversed(box)); }

    // `box` in units of `unitsPerInch` when placeable.
    QByteArray Finish(bool placeable = false, const QRect& box = {}, int unitsPerInch = 96) const
    {
        const QByteArray records = records_ + Fields().U32(3).U16(0).Data(); // META_EOF
        Fields header;
        header.U16(1).U16(9).U16(0x0300).U32(static_cast<std::uint32_t>((18 + records.size()) / 2)).U16(4);
        header.U32(largest_).U16(0);
        if (!placeable)
            return header.Data() + records;
        Fields prefix;
        prefix.U32(0x9AC6CDD7).U16(0).I16(static_cast<std::int16_t>(box.left())).I16(static_cast<std::int16_t>(box.top()));
        prefix.I16(static_cast<std::int16_t>(box.left() + box.width())).I16(static_cast<std::int16_t>(box.top() + box.height()));
        prefix.U16(static_cast<std::uint16_t>(unitsPerInch)).U32(0);
        std::uint16_t checksum = 0;
        for (int i = 0; i < 10; ++i)
            checksum ^= qFromLittleEndian<std::uint16_t>(prefix.Data().constData() + 2 * i);
        prefix.U16(checksum);
        return prefix.Data() + header.Data() + records;
    }

private:
    static Fields Reversed(const QRect& box) // bottom, right, top, left
    {
        return Fields().I16(static_cast<std::int16_t>(box.top() + box.height())).I16(static_cast<std::int16_t>(box.left() + box.width()))
            .I16(static_cast<std::int16_t>(box.top())).I16(static_cast<std::int16_t>(box.left()));
    }

    QByteArray records_;
    std::uint32_t largest_ = 3;
};

// A red ellipse filling its window of 100 x 50 units, with a placeable header at 96 units to
// the inch or (as documents embed them) without one.
inline QByteArray RedEllipseWmf(bool placeable)
{
    return Wmf().Window(QRect(0, 0, 100, 50)).SolidBrush(kRed).Select(0).NullPen().Select(1)
        .Ellipse(QRect(0, 0, 100, 50)).Finish(placeable, QRect(0, 0, 100, 50));
}

// A device-independent bitmap of `width` x `height` pixels at 4 or 8 bits with the given
// colours (0x00RRGGBB) and pixel values, the top row first.
inline QByteArray PaletteDib(int width, int height, int bits, std::initializer_list<std::uint32_t> colours,
                             std::initializer_list<int> pixels)
{
    Fields dib;
    dib.U32(40).I32(width).I32(height).U16(1).U16(static_cast<std::uint16_t>(bits)).U32(0).U32(0).I32(0).I32(0);
    dib.U32(static_cast<std::uint32_t>(colours.size())).U32(0);
    for (const std::uint32_t colour : colours)
        dib.U32(colour); // blue, green, red, 0 in memory
    const int rowBytes = (width * bits + 31) / 32 * 4;
    QByteArray rows(rowBytes * height, '\0');
    const int* values = pixels.begin();
    for (int row = 0; row < height; ++row) {
        char* line = rows.data() + (height - 1 - row) * rowBytes; // stored bottom-up
        for (int x = 0; x < width; ++x) {
            const int value = values[row * width + x];
            if (bits == 8)
                line[x] = static_cast<char>(value);
            else
                line[x / 2] = static_cast<char>(line[x / 2] | (x % 2 ? value : value << 4));
        }
    }
    return dib.Bytes(rows).Data();
}

} // namespace fixtures
