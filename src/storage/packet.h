#pragma once

#include "storage/bytes.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Type codes of the table packet: size or prefix width in bits 0-15, base type in 16-21.
namespace typecode {
inline constexpr std::uint32_t kVarying = 0x00400000;
inline constexpr std::uint32_t kArray = 0x00800000;
inline constexpr std::uint32_t kCompositeMask = 0xFF000000;

inline constexpr std::uint32_t kString1 = 0x00490001;  // string, 1-byte length prefix
inline constexpr std::uint32_t kString2 = 0x00490002;  // string, 2-byte length prefix
inline constexpr std::uint32_t kInt32 = 0x00010004;
inline constexpr std::uint32_t kDateTime = 0x00080008;
inline constexpr std::uint32_t kBlob = 0x004B0004;     // bytes, 4-byte length prefix
inline constexpr std::uint32_t kUInt16 = 0x00020002;

inline unsigned BaseType(std::uint32_t code) { return (code >> 16) & 0x3F; }
inline unsigned SizeField(std::uint32_t code) { return code & 0xFFFF; }
inline bool IsVarying(std::uint32_t code) { return (code & kVarying) != 0; }
inline bool IsArray(std::uint32_t code) { return (code & kArray) != 0; }
} // namespace typecode

namespace basetype {
enum : unsigned {
    Int = 1, UInt = 2, Boolean = 3, Float = 4, Fixed = 5, Date = 6, Time = 7, DateTime = 8,
    String = 9, WideString = 10, Bytes = 11, Composite = 12, ArrayCol = 13, Nested = 14,
    Reference = 15, Bytes16 = 16, SqlDateTime = 17, FixedFmt = 18,
};
}

// Null bits of a value in a row: a cleared value (set to null) and an unassigned one
// (never set) read the same but are written differently.
enum NullBits : std::uint8_t {
    kNotNull = 0,
    kCleared = 1,
    kUnassigned = 2,
};

// A column or table attribute: its value is kept as encoded in the packet (after the type
// code), so that attributes the program does not know are written back unchanged.
struct Attribute {
    std::string name;
    std::uint32_t type = 0;
    Bytes value;
};

struct Column {
    std::string name;
    std::uint32_t type = 0;
    std::uint16_t flags = 0;
    std::uint16_t width = 0;      // "WIDTH"
    std::uint16_t decimals = 0;   // "DECIMALS"
    std::string subtype;          // "SUBTYPE": the blob kind ("Binary", "Text", ...)
    bool calculated = false;      // "CALCULATED"
    std::vector<Attribute> attributes; // carried, written after the known ones

    unsigned base() const { return typecode::BaseType(type); }
    bool varying() const { return typecode::IsVarying(type); }
    unsigned sizeField() const { return typecode::SizeField(type); }
    bool isBlob() const { return base() == basetype::Bytes && varying() && sizeField() == 4; }
    bool isVaryingString() const { return base() == basetype::String && varying(); }
};

struct Value {
    std::uint8_t nullBits = kUnassigned;
    Bytes bytes; // fixed-size values exactly their size; varying ones without the prefix

    bool isNull() const { return nullBits != kNotNull; }
    friend bool operator==(const Value&, const Value&) = default;
};

inline constexpr std::uint8_t kStatusOriginal = 0x01;
inline constexpr std::uint8_t kStatusDeleted = 0x02;
inline constexpr std::uint8_t kStatusInserted = 0x04;
inline constexpr std::uint8_t kStatusModified = 0x08;
inline constexpr std::uint8_t kStatusEmptySlot = 0x20;

struct Row {
    std::uint8_t status = 0;
    std::vector<Value> values;

    bool visible() const { return (status & (kStatusOriginal | kStatusDeleted | kStatusEmptySlot)) == 0; }
};

struct Packet {
    std::vector<Column> columns;
    std::vector<Attribute> tableAttributes;
    std::vector<Row> rows;

    const Attribute* tableAttribute(std::string_view name) const;
};

// Reads a whole packet. Values and attributes view `data`, sharing its owner. Fails with
// PacketError; never reads past the end of `data`.
Packet ReadPacket(const Bytes& data);

// Reads a packet file row by row, holding only a window of it in memory: for passing once
// over a large table without reading it whole. Fails as ReadPacket does, and with
// TableError "Cannot open file %s" when the file cannot be read.
class PacketStream {
public:
    explicit PacketStream(const std::string& path); // reads up to the first row
    ~PacketStream();
    PacketStream(const PacketStream&) = delete;
    PacketStream& operator=(const PacketStream&) = delete;

    const std::vector<Column>& columns() const { return columns_; }
    const std::vector<Attribute>& tableAttributes() const { return tableAttributes_; }
    // Reads the next row; false after the last. Its values view the stream's window and
    // stay valid until the next call.
    bool Next(Row& row);

private:
    struct Window;
    bool TryReadHeader();
    bool TryReadRow(Row& row);

    std::string path_;
    std::unique_ptr<Window> window_;
    std::vector<Column> columns_;
    std::vector<Attribute> tableAttributes_;
    std::uint32_t rowsLeft_ = 0;
};

// The bytes of a packet, as a list of pieces: small parts are copied into one growing
// buffer, large values are referenced where they already are, so that writing a big
// journal does not copy its bodies once more.
class PacketBytes {
public:
    PacketBytes();
    void append(const void* data, std::size_t size);
    void appendValue(const Bytes& value);
    void patch(std::size_t offset, const void* data, std::size_t size); // only within the first piece
    std::size_t size() const { return size_; }
    std::vector<std::string_view> pieces() const;
    std::string str() const;

private:
    struct Piece {
        bool own;
        std::size_t offset; // into own_ when own
        std::size_t size;
        Bytes external;
    };
    std::string own_;
    std::vector<Piece> pieces_;
    std::size_t size_ = 0;
};

// Writes a packet from columns, table attributes and the rows to store, in order.
PacketBytes WritePacket(std::span<const Column> columns, std::span<const Attribute> tableAttributes,
                        std::span<const Row* const> rows);

// The unsigned little-endian number in the first `width` bytes (fewer when there are fewer).
std::uint64_t LoadLittleEndian(const Bytes& bytes, std::size_t width);

// Case-insensitive comparison of ASCII names.
bool SameName(std::string_view a, std::string_view b);

} // namespace quill
