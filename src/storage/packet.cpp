#include "storage/packet.h"

#include "storage/errors.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {

constexpr std::uint32_t kMagic = 0xBDE01996;
constexpr std::uint32_t kAltMagic = 0x0000ABCD;
constexpr std::size_t kHeaderSize = 24;
constexpr std::size_t kMaxNameLength = 31;
constexpr std::size_t kExternalThreshold = 4096; // values at least this long are not copied when written

[[noreturn]] void Truncated()
{
    throw PacketError(PacketStatus::InvalidPacket, "it ends before its announced end");
}

// Thrown instead of a truncation failure when the data is a window of a file that goes on.
struct NeedMore {};

// Bounds-checked little-endian reading of the packet.
class Reader {
public:
    explicit Reader(const Bytes& data, std::size_t pos = 0, bool more = false) : data_(data), pos_(pos), more_(more) {}

    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    void seek(std::size_t pos)
    {
        if (pos > data_.size()) {
            if (more_)
                throw NeedMore{};
            Truncated();
        }
        pos_ = pos;
    }
    void need(std::size_t n) const
    {
        if (n > remaining()) {
            if (more_)
                throw NeedMore{};
            Truncated();
        }
    }
    std::uint8_t u8()
    {
        need(1);
        return static_cast<std::uint8_t>(data_.data()[pos_++]);
    }
    std::uint16_t u16() { return static_cast<std::uint16_t>(unsignedOf(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(unsignedOf(4)); }
    std::uint64_t unsignedOf(std::size_t width)
    {
        need(width);
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < width; ++i)
            v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(data_.data()[pos_ + i])) << (8 * i);
        pos_ += width;
        return v;
    }
    Bytes take(std::size_t n)
    {
        need(n);
        Bytes b = data_.sub(pos_, n);
        pos_ += n;
        return b;
    }
    std::string name()
    {
        const std::size_t n = u8();
        Bytes b = take(n);
        return std::string(b.view().substr(0, kMaxNameLength));
    }

private:
    const Bytes& data_;
    std::size_t pos_ = 0;
    bool more_ = false; // the data is a window and the file goes on past it
};

bool ValidPrefixWidth(unsigned width) { return width == 1 || width == 2 || width == 4; }

// The encoded value of an attribute, whatever its type: array, varying or fixed.
Bytes ReadAttributeValue(Reader& r, std::uint32_t type)
{
    const std::size_t start = r.pos();
    const unsigned size = typecode::SizeField(type);
    if (typecode::IsArray(type)) {
        const std::uint64_t count = r.u32();
        const std::uint64_t total = count * size; // at most 2^32 * 2^16, no overflow in 64 bits
        r.take(static_cast<std::size_t>(total));
    } else if (typecode::IsVarying(type)) {
        if (!ValidPrefixWidth(size))
            throw PacketError(PacketStatus::UnsupportedType);
        r.take(static_cast<std::size_t>(r.unsignedOf(size)));
    } else {
        r.take(size);
    }
    const std::size_t end = r.pos();
    r.seek(start);
    return r.take(end - start);
}

std::vector<Attribute> ReadAttributes(Reader& r, std::size_t count)
{
    std::vector<Attribute> attributes;
    for (std::size_t i = 0; i < count; ++i) {
        Attribute a;
        a.name = r.name();
        a.type = r.u32();
        a.value = ReadAttributeValue(r, a.type);
        attributes.push_back(std::move(a));
    }
    return attributes;
}

// The value of a varying attribute without its prefix, or a fixed one as it is.
std::string_view AttributePayload(const Attribute& a)
{
    if (typecode::IsVarying(a.type) && !typecode::IsArray(a.type)) {
        const unsigned width = typecode::SizeField(a.type);
        if (a.value.size() >= width)
            return a.value.view().substr(width);
        return {};
    }
    return a.value.view();
}

bool SupportedColumnType(std::uint32_t type)
{
    if ((type & typecode::kCompositeMask) != 0 || typecode::IsArray(type))
        return false;
    switch (typecode::BaseType(type)) {
    case basetype::Int:
    case basetype::UInt:
    case basetype::Boolean:
    case basetype::Float:
    case basetype::Fixed:
    case basetype::Date:
    case basetype::Time:
    case basetype::DateTime:
    case basetype::String:
    case basetype::WideString:
    case basetype::Bytes:
    case basetype::Bytes16:
    case basetype::SqlDateTime:
    case basetype::FixedFmt:
        break;
    default:
        return false;
    }
    return !typecode::IsVarying(type) || ValidPrefixWidth(typecode::SizeField(type));
}

Column ReadColumn(Reader& r)
{
    Column c;
    c.name = r.name();
    c.type = r.u32();
    c.flags = r.u16();
    const std::size_t attributeCount = r.u16();
    if (!SupportedColumnType(c.type))
        throw PacketError(PacketStatus::UnsupportedType, "column '" + c.name + "'");
    for (Attribute& a : ReadAttributes(r, attributeCount)) {
        const std::string_view payload = AttributePayload(a);
        if (SameName(a.name, "WIDTH") && !typecode::IsVarying(a.type)) {
            c.width = static_cast<std::uint16_t>(LoadLittleEndian(a.value, 8));
        } else if (SameName(a.name, "DECIMALS") && !typecode::IsVarying(a.type)) {
            c.decimals = static_cast<std::uint16_t>(LoadLittleEndian(a.value, 8));
        } else if (SameName(a.name, "CALCULATED") && !typecode::IsVarying(a.type)) {
            c.calculated = LoadLittleEndian(a.value, 8) != 0;
        } else if (SameName(a.name, "SUBTYPE") && typecode::IsVarying(a.type)) {
            c.subtype = std::string(payload.substr(0, payload.find('\0')));
        } else {
            c.attributes.push_back(std::move(a));
        }
    }
    return c;
}

Value ReadValue(Reader& r, const Column& c)
{
    Value v;
    v.nullBits = kNotNull;
    if (c.varying())
        v.bytes = r.take(static_cast<std::size_t>(r.unsignedOf(c.sizeField())));
    else
        v.bytes = r.take(c.sizeField());

    if (c.isVaryingString()) {
        // Text ends at its first zero byte (an empty text is written as one zero byte)
        // and is never longer than the column.
        std::size_t length = v.bytes.view().find('\0');
        if (length == std::string_view::npos)
            length = v.bytes.size();
        if (c.width != 0)
            length = std::min<std::size_t>(length, c.width);
        v.bytes = v.bytes.sub(0, length);
    } else if (c.isBlob() && v.bytes.empty()) {
        v.nullBits = kCleared;
    }
    return v;
}

} // namespace

std::uint64_t LoadLittleEndian(const Bytes& bytes, std::size_t width)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width && i < bytes.size() && i < 8; ++i)
        v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(bytes.data()[i])) << (8 * i);
    return v;
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; };
        return lower(x) == lower(y);
    });
}

const Attribute* Packet::tableAttribute(std::string_view name) const
{
    for (const Attribute& a : tableAttributes)
        if (SameName(a.name, name))
            return &a;
    return nullptr;
}

namespace {

struct Header {
    std::vector<Column> columns;
    std::vector<Attribute> tableAttributes;
    std::uint32_t rowCount = 0;
};

Header ReadHeader(Reader& r)
{
    bool binary = false;
    if (r.remaining() >= 4) {
        const std::uint32_t magic = r.u32();
        if (magic == kAltMagic) {
            binary = true;
        } else if (magic == kMagic && r.remaining() >= 4) {
            const std::uint16_t version1 = r.u16();
            const std::uint16_t version2 = r.u16();
            binary = version1 <= 3 && version2 <= 3;
        }
    }
    if (!binary) {
        // Not the binary form; the XML form of the packet is not read.
        throw PacketError(PacketStatus::InvalidPacket);
    }

    r.seek(0);
    r.need(kHeaderSize);
    r.seek(8);
    const std::uint32_t headerSize = r.u32();
    const std::size_t columnCount = r.u16();
    Header header;
    header.rowCount = r.u32();
    const std::uint32_t flags = r.u32();
    if ((flags & 1) == 0)
        throw PacketError(PacketStatus::NoColumnDescriptors);
    if (columnCount == 0)
        throw PacketError(PacketStatus::InvalidPacket, "it has no column");

    r.seek(headerSize);
    header.columns.reserve(columnCount);
    for (std::size_t i = 0; i < columnCount; ++i)
        header.columns.push_back(ReadColumn(r));
    header.tableAttributes = ReadAttributes(r, r.u16());
    return header;
}

std::size_t BitmapSize(const std::vector<Column>& columns) { return (columns.size() + 3) / 4; }

void ReadRow(Reader& r, const std::vector<Column>& columns, Row& row)
{
    row.status = r.u8();
    const Bytes bitmap = r.take(BitmapSize(columns));
    row.values.assign(columns.size(), Value{});
    for (std::size_t j = 0; j < columns.size(); ++j) {
        const unsigned bits = (static_cast<std::uint8_t>(bitmap.data()[j / 4]) >> (2 * (j % 4))) & 3;
        if (bits != 0)
            row.values[j].nullBits = static_cast<std::uint8_t>(bits);
        else
            row.values[j] = ReadValue(r, columns[j]);
    }
}

// An attribute that owns its value, for one read from a window that will be reused.
void OwnValue(Attribute& a) { a.value = Bytes(a.value.str()); }

} // namespace

Packet ReadPacket(const Bytes& data)
{
    Reader r(data);
    Header header = ReadHeader(r);
    Packet packet;
    packet.columns = std::move(header.columns);
    packet.tableAttributes = std::move(header.tableAttributes);
    // Every row takes at least its status byte and bitmap: a row count the data cannot
    // hold fails below without reserving memory for it first.
    packet.rows.reserve(std::min<std::size_t>(header.rowCount, r.remaining() / (1 + BitmapSize(packet.columns))));
    for (std::uint32_t i = 0; i < header.rowCount; ++i) {
        Row row;
        ReadRow(r, packet.columns, row);
        packet.rows.push_back(std::move(row));
    }
    return packet;
}

// The file's bytes from the start of the row being read (or of the header) to as far as
// read so far, in a buffer that is reused once no value views it any more.
struct PacketStream::Window {
    static constexpr std::size_t kInitialCapacity = 256u << 10; // stays in the processor's cache

    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window()
    {
        if (fd >= 0)
            ::close(fd); // here, so that a stream that fails to construct closes it too
    }

    int fd = -1;
    bool atEnd = false;
    std::shared_ptr<std::string> buffer;
    std::size_t filled = 0;
    std::size_t pos = 0; // where the next row starts

    // Keeps the bytes from `pos` on and reads at least as many more as are held already.
    void Extend(const std::string& path)
    {
        const std::size_t kept = filled - pos;
        const std::size_t capacity = std::max(kInitialCapacity, 2 * kept);
        if (!buffer || buffer.use_count() > 1 || buffer->size() < capacity) {
            auto fresh = std::make_shared<std::string>(std::max(capacity, buffer ? buffer->size() : 0), '\0');
            if (kept != 0)
                std::memcpy(fresh->data(), buffer->data() + pos, kept);
            buffer = std::move(fresh);
        } else if (kept != 0) {
            std::memmove(buffer->data(), buffer->data() + pos, kept);
        }
        filled = kept;
        pos = 0;
        while (filled < buffer->size()) {
            const ssize_t n = ::read(fd, buffer->data() + filled, buffer->size() - filled);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw TableError("Cannot read file " + path);
            if (n == 0) {
                atEnd = true;
                break;
            }
            filled += static_cast<std::size_t>(n);
        }
    }

    Bytes view() const { return Bytes(buffer, buffer->data(), filled); }
};

PacketStream::PacketStream(const std::string& path) : path_(path), window_(std::make_unique<Window>())
{
    window_->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (window_->fd < 0 || ::fstat(window_->fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw TableError("Cannot open file " + path);
    do
        window_->Extend(path_); // the first time, or again, longer, when the header did not fit
    while (!TryReadHeader());
    // Attribute values are kept past the window they were read from.
    for (Column& c : columns_)
        std::for_each(c.attributes.begin(), c.attributes.end(), OwnValue);
    std::for_each(tableAttributes_.begin(), tableAttributes_.end(), OwnValue);
}

PacketStream::~PacketStream() = default;

bool PacketStream::TryReadHeader()
{
    const Bytes data = window_->view();
    Reader r(data, 0, !window_->atEnd);
    try {
        Header header = ReadHeader(r);
        columns_ = std::move(header.columns);
        tableAttributes_ = std::move(header.tableAttributes);
        rowsLeft_ = header.rowCount;
        window_->pos = r.pos();
        return true;
    } catch (const NeedMore&) {
        columns_.clear();
        tableAttributes_.clear();
        return false;
    }
}

bool PacketStream::TryReadRow(Row& row)
{
    const Bytes data = window_->view();
    Reader r(data, window_->pos, !window_->atEnd);
    try {
        ReadRow(r, columns_, row);
        window_->pos = r.pos();
        return true;
    } catch (const NeedMore&) {
        row.values.clear();
        return false;
    }
}

bool PacketStream::Next(Row& row)
{
    if (rowsLeft_ == 0)
        return false;
    row.values.clear(); // no value of the last row keeps the window from being reused
    while (!TryReadRow(row))
        window_->Extend(path_); // the row goes on past the window
    --rowsLeft_;
    return true;
}

// ---------------------------------------------------------------------------
// Writing

PacketBytes::PacketBytes()
{
    own_.reserve(32768);
}

void PacketBytes::append(const void* data, std::size_t size)
{
    if (size == 0)
        return;
    if (pieces_.empty() || !pieces_.back().own)
        pieces_.push_back({true, own_.size(), 0, {}});
    own_.append(static_cast<const char*>(data), size);
    pieces_.back().size += size;
    size_ += size;
}

void PacketBytes::appendValue(const Bytes& value)
{
    if (value.size() < kExternalThreshold) {
        append(value.data(), value.size());
        return;
    }
    pieces_.push_back({false, 0, value.size(), value});
    size_ += value.size();
}

void PacketBytes::patch(std::size_t offset, const void* data, std::size_t size)
{
    std::copy_n(static_cast<const char*>(data), size, own_.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::vector<std::string_view> PacketBytes::pieces() const
{
    std::vector<std::string_view> result;
    result.reserve(pieces_.size());
    for (const Piece& p : pieces_)
        result.push_back(p.own ? std::string_view(own_).substr(p.offset, p.size) : p.external.view());
    return result;
}

std::string PacketBytes::str() const
{
    std::string result;
    result.reserve(size_);
    for (std::string_view piece : pieces())
        result.append(piece);
    return result;
}

namespace {

class Writer {
public:
    PacketBytes out;

    void u8(std::uint8_t v) { out.append(&v, 1); }
    void u16(std::uint16_t v) { le(v, 2); }
    void u32(std::uint32_t v) { le(v, 4); }
    void le(std::uint64_t v, std::size_t width)
    {
        std::array<char, 8> b{};
        for (std::size_t i = 0; i < width; ++i)
            b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        out.append(b.data(), width);
    }
    void name(std::string_view n)
    {
        n = n.substr(0, kMaxNameLength);
        u8(static_cast<std::uint8_t>(n.size()));
        out.append(n.data(), n.size());
    }
    void attribute(std::string_view n, std::uint32_t type, const Bytes& value)
    {
        name(n);
        u32(type);
        out.append(value.data(), value.size());
    }
    void uint16Attribute(std::string_view n, std::uint16_t v)
    {
        name(n);
        u32(typecode::kUInt16);
        u16(v);
    }
};

bool IsDecimalColumn(const Column& c)
{
    return c.base() == basetype::Fixed || c.base() == basetype::FixedFmt;
}

bool WritesWidth(const Column& c)
{
    if (c.width == 0)
        return false;
    switch (c.base()) {
    case basetype::String:
    case basetype::WideString:
    case basetype::Fixed:
    case basetype::FixedFmt:
        return true;
    case basetype::Bytes:
    case basetype::Bytes16:
        return c.varying(); // variable bytes and blobs
    default:
        return false;
    }
}

void WriteColumn(Writer& w, const Column& c)
{
    if (SameName(c.name, "RowState"))
        throw PacketError(PacketStatus::OutOfOrder, "a column cannot be named RowState");
    w.name(c.name);
    w.u32(c.type);
    w.u16(c.flags);
    std::uint16_t count = 0;
    PacketBytes& out = w.out;
    const std::size_t countOffset = out.size();
    w.u16(0);
    if (!c.subtype.empty()) {
        w.name("SUBTYPE");
        w.u32(typecode::kString2);
        w.u16(static_cast<std::uint16_t>(c.subtype.size() + 1));
        out.append(c.subtype.data(), c.subtype.size());
        w.u8(0);
        ++count;
    }
    if (IsDecimalColumn(c) && c.decimals != 0) {
        w.uint16Attribute("DECIMALS", c.decimals);
        ++count;
    }
    if (WritesWidth(c)) {
        w.uint16Attribute("WIDTH", c.width);
        ++count;
    }
    if (c.calculated) {
        w.uint16Attribute("CALCULATED", 1);
        ++count;
    }
    for (const Attribute& a : c.attributes) {
        w.attribute(a.name, a.type, a.value);
        ++count;
    }
    const char le[2] = {static_cast<char>(count & 0xFF), static_cast<char>(count >> 8)};
    out.patch(countOffset, le, 2);
}

int TableAttributeRank(std::string_view name)
{
    if (SameName(name, "DEFAULT_ORDER"))
        return 0;
    if (SameName(name, "PRIMARY_KEY") || SameName(name, "UNIQUE_KEY"))
        return 1;
    if (SameName(name, "CHANGE_LOG"))
        return 2;
    if (SameName(name, "AUTOINCVALUE"))
        return 3;
    if (SameName(name, "MD_FIELDLINKS"))
        return 4;
    return 5;
}

std::string_view TrimTrailingBlanks(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

void WriteValue(Writer& w, const Column& c, const Value& v)
{
    if (!c.varying()) {
        // Fixed-size values take exactly their size: short ones are padded with zeros.
        const std::size_t size = c.sizeField();
        const std::size_t have = std::min(size, v.bytes.size());
        w.out.append(v.bytes.data(), have);
        static const char zeros[64] = {};
        for (std::size_t left = size - have; left > 0;) {
            const std::size_t n = std::min(left, sizeof zeros);
            w.out.append(zeros, n);
            left -= n;
        }
        return;
    }
    const unsigned prefix = c.sizeField();
    const std::uint64_t limit = prefix >= 4 ? std::numeric_limits<std::uint32_t>::max() : (1ULL << (8 * prefix)) - 1;
    if (c.isVaryingString()) {
        std::string_view text = TrimTrailingBlanks(v.bytes.view());
        if (text.size() > limit)
            throw PacketError(PacketStatus::InvalidArgument, "a text is longer than its column allows");
        if (text.empty()) {
            w.le(1, prefix);
            w.u8(0);
        } else {
            w.le(text.size(), prefix);
            w.out.append(text.data(), text.size());
        }
        return;
    }
    if (v.bytes.size() > limit)
        throw PacketError(PacketStatus::InvalidArgument, "a value is longer than its column allows");
    w.le(v.bytes.size(), prefix);
    w.out.appendValue(v.bytes);
}

} // namespace

PacketBytes WritePacket(std::span<const Column> columns, std::span<const Attribute> tableAttributes,
                        std::span<const Row* const> rows)
{
    Writer w;
    bool composite = false;
    for (const Column& c : columns)
        composite = composite || (c.base() >= 12 && c.base() <= 18);

    w.u32(kMagic);
    w.u16(composite ? 2 : 1);
    w.u16(0);
    w.u32(kHeaderSize);
    w.u16(static_cast<std::uint16_t>(columns.size()));
    w.u32(0); // row count, set at the end
    w.u32(1);
    w.u16(0); // first row offset, set below

    for (const Column& c : columns)
        WriteColumn(w, c);

    std::vector<const Attribute*> ordered;
    for (const Attribute& a : tableAttributes)
        ordered.push_back(&a);
    std::stable_sort(ordered.begin(), ordered.end(), [](const Attribute* a, const Attribute* b) {
        return TableAttributeRank(a->name) < TableAttributeRank(b->name);
    });
    w.u16(static_cast<std::uint16_t>(ordered.size()));
    for (const Attribute* a : ordered)
        w.attribute(a->name, a->type, a->value);

    const std::size_t metadataSize = w.out.size();
    if (metadataSize <= 0xFFFF) {
        const char offset[2] = {static_cast<char>(metadataSize & 0xFF), static_cast<char>(metadataSize >> 8)};
        w.out.patch(22, offset, 2);
        const char flags = 3;
        w.out.patch(18, &flags, 1);
    }

    const std::size_t bitmapSize = (columns.size() + 3) / 4;
    std::vector<char> bitmap(bitmapSize);
    std::uint32_t written = 0;
    for (const Row* row : rows) {
        w.u8(row->status);
        std::fill(bitmap.begin(), bitmap.end(), 0);
        for (std::size_t j = 0; j < columns.size(); ++j) {
            const std::uint8_t bits = j < row->values.size() ? row->values[j].nullBits : std::uint8_t{kUnassigned};
            bitmap[j / 4] = static_cast<char>(bitmap[j / 4] | ((bits & 3) << (2 * (j % 4))));
        }
        w.out.append(bitmap.data(), bitmap.size());
        for (std::size_t j = 0; j < columns.size() && j < row->values.size(); ++j)
            if (!row->values[j].isNull())
                WriteValue(w, columns[j], row->values[j]);
        ++written;
    }
    const char count[4] = {static_cast<char>(written & 0xFF), static_cast<char>((written >> 8) & 0xFF),
                           static_cast<char>((written >> 16) & 0xFF), static_cast<char>(written >> 24)};
    w.out.patch(14, count, 4);
    return std::move(w.out);
}

} // namespace quill
