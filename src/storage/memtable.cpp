#include "storage/memtable.h"

#include "storage/datetime.h"
#include "storage/errors.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cmath>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace quill {

namespace {

constexpr std::size_t kMaxFieldNameLength = 31;

// ---------------------------------------------------------------------------
// Values as bytes

std::string StoreLE(std::uint64_t v, std::size_t width)
{
    std::string b(width, '\0');
    for (std::size_t i = 0; i < width; ++i)
        b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
}

std::int64_t DecodeSigned(const Bytes& b, std::size_t width)
{
    const std::uint64_t raw = LoadLittleEndian(b, width);
    if (width >= 8)
        return static_cast<std::int64_t>(raw);
    const std::uint64_t sign = 1ULL << (8 * width - 1);
    return static_cast<std::int64_t>((raw ^ sign) - sign);
}

double DecodeDouble(const Bytes& b)
{
    return std::bit_cast<double>(LoadLittleEndian(b, 8));
}

std::string EncodeDouble(double v)
{
    return StoreLE(std::bit_cast<std::uint64_t>(v), 8);
}

Value Present(std::string bytes)
{
    return Value{kNotNull, Bytes(std::move(bytes))};
}

Value Cleared()
{
    return Value{kCleared, {}};
}

// An entry date as a column of the date-time family stores it: a date keeps the day
// number, a time the milliseconds of the day, a date-time the stored milliseconds.
Value DateTimeValue(const Column& c, double entryDate)
{
    const double ms = DateTimeToStoredMs(entryDate);
    const auto whole = static_cast<std::int64_t>(ms);
    switch (c.base()) {
    case basetype::Date:
        return Present(StoreLE(static_cast<std::uint64_t>(whole / kMsPerDay), 4));
    case basetype::Time:
        return Present(StoreLE(static_cast<std::uint64_t>(whole % kMsPerDay), 4));
    default:
        return Present(EncodeDouble(ms));
    }
}

// ---------------------------------------------------------------------------
// Type names and families for binding fields to columns

enum class Family { Other, DateTime, Integer, String, Blob };

struct ColumnKind {
    std::string typeName;
    Family family;
};

std::string BlobTypeName(const std::string& subtype)
{
    struct Kind {
        const char* subtype;
        const char* name;
    };
    static const Kind kinds[] = {
        {"Text", "Memo"},         {"Formatted", "FmtMemo"},   {"Graphics", "Graphic"},
        {"Ole", "ParadoxOle"},    {"dBASEOle", "DBaseOle"},   {"TypedBinary", "TypedBinary"},
        {"AccessOle", "Blob"},    {"HMemo", "OraClob"},       {"HBinary", "OraBlob"},
    };
    for (const Kind& k : kinds)
        if (SameName(subtype, k.subtype))
            return k.name;
    return "Blob";
}

ColumnKind DescribeColumn(const Column& c)
{
    const unsigned size = c.sizeField();
    switch (c.base()) {
    case basetype::Int:
        if (size == 2)
            return {"SmallInt", Family::Integer};
        if (size == 4)
            return {SameName(c.subtype, "Autoinc") ? "AutoInc" : "Integer", Family::Integer};
        return {size == 1 ? "Shortint" : "LargeInt", Family::Other};
    case basetype::UInt:
        if (size == 2)
            return {"Word", Family::Integer};
        return {size == 1 ? "Byte" : size == 4 ? "LongWord" : "LargeInt", Family::Other};
    case basetype::Boolean: return {"Boolean", Family::Other};
    case basetype::Float:
        if (size == 10)
            return {"Extended", Family::Other};
        return {SameName(c.subtype, "Money") ? "Currency" : "Float", Family::Other};
    case basetype::Fixed: return {"BCD", Family::Other};
    case basetype::FixedFmt: return {"FMTBcd", Family::Other};
    case basetype::Date: return {"Date", Family::DateTime};
    case basetype::Time: return {"Time", Family::DateTime};
    case basetype::DateTime: return {"DateTime", Family::DateTime};
    case basetype::SqlDateTime: return {"TimeStamp", Family::Other};
    case basetype::String:
        if (SameName(c.subtype, "Guid"))
            return {"Guid", Family::Other};
        return {c.varying() && !SameName(c.subtype, "FixedChar") ? "String" : "FixedChar", Family::String};
    case basetype::WideString: return {"WideString", Family::Other};
    case basetype::Bytes:
    case basetype::Bytes16:
        if (c.varying() && size == 4)
            return {BlobTypeName(c.subtype), Family::Blob};
        return {c.varying() ? "VarBytes" : "Bytes", Family::Other};
    default: return {"Unknown", Family::Other};
    }
}

const char* DeclaredTypeName(FieldType type)
{
    switch (type) {
    case FieldType::String: return "String";
    case FieldType::Integer: return "Integer";
    case FieldType::DateTime: return "DateTime";
    case FieldType::Blob: return "Blob";
    }
    return "Unknown";
}

Family DeclaredFamily(FieldType type)
{
    switch (type) {
    case FieldType::String: return Family::String;
    case FieldType::Integer: return Family::Integer;
    case FieldType::DateTime: return Family::DateTime;
    case FieldType::Blob: return Family::Blob;
    }
    return Family::Other;
}

Column ColumnOf(const FieldDef& def)
{
    Column c;
    c.name = def.name;
    switch (def.type) {
    case FieldType::String:
        c.type = def.size <= 253 ? typecode::kString1 : typecode::kString2;
        c.width = static_cast<std::uint16_t>(def.size);
        break;
    case FieldType::Integer: c.type = typecode::kInt32; break;
    case FieldType::DateTime: c.type = typecode::kDateTime; break;
    case FieldType::Blob:
        c.type = typecode::kBlob;
        c.subtype = "Binary";
        c.width = static_cast<std::uint16_t>(def.size);
        break;
    }
    return c;
}

bool IsNumericKey(const Column& c)
{
    switch (c.base()) {
    case basetype::Int:
    case basetype::UInt:
    case basetype::Boolean:
    case basetype::Date:
    case basetype::Time:
        return true;
    case basetype::Float:
    case basetype::DateTime:
        return c.sizeField() == 8;
    default:
        return false;
    }
}

long double NumericKey(const Column& c, const Bytes& b)
{
    switch (c.base()) {
    case basetype::Int:
    case basetype::Date:
        return static_cast<long double>(DecodeSigned(b, c.sizeField()));
    case basetype::UInt:
    case basetype::Boolean:
    case basetype::Time:
        return static_cast<long double>(LoadLittleEndian(b, c.sizeField()));
    default:
        return DecodeDouble(b);
    }
}

// Orders values of one column: null before every value, numbers by value, the rest by bytes.
int CompareValues(const Column& c, const Value& a, const Value& b)
{
    if (a.isNull() || b.isNull())
        return (a.isNull() ? 0 : 1) - (b.isNull() ? 0 : 1);
    if (IsNumericKey(c)) {
        const long double x = NumericKey(c, a.bytes);
        const long double y = NumericKey(c, b.bytes);
        // A stored NaN (a damaged row) sorts after every number, so that the order stays
        // one and a lookup of a day can never land on it.
        if (std::isnan(x) || std::isnan(y))
            return (std::isnan(x) ? 1 : 0) - (std::isnan(y) ? 1 : 0);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    const int order = a.bytes.view().compare(b.bytes.view());
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::string TrimTrailingBlanks(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

} // namespace

std::string ColumnTypeName(const Column& column)
{
    return DescribeColumn(column).typeName;
}

// ---------------------------------------------------------------------------
// Field

const Value* Field::current() const
{
    if (column_ < 0)
        return nullptr;
    const Row* row = table_.currentRow();
    return row ? &row->values[static_cast<std::size_t>(column_)] : nullptr;
}

const Column& Field::column() const
{
    return table_.columns_[static_cast<std::size_t>(column_)];
}

bool Field::IsNull() const
{
    const Value* v = current();
    return !v || v->isNull();
}

std::string Field::AsString() const
{
    const Value* v = current();
    if (!v || v->isNull())
        return {};
    switch (type_) {
    case FieldType::String:
    case FieldType::Blob:
        return v->bytes.str();
    case FieldType::Integer:
        return std::to_string(AsInteger());
    case FieldType::DateTime: {
        const double date = AsDateTime();
        return FormatIsoDate(DecodeEntryDate(date));
    }
    }
    return {};
}

std::int32_t Field::AsInteger() const
{
    const Value* v = current();
    if (!v || v->isNull())
        return 0;
    const Column& c = column();
    switch (type_) {
    case FieldType::Integer:
        if (c.base() == basetype::UInt)
            return static_cast<std::int32_t>(LoadLittleEndian(v->bytes, c.sizeField()));
        return static_cast<std::int32_t>(DecodeSigned(v->bytes, c.sizeField()));
    case FieldType::String: {
        const std::string text = v->bytes.str();
        std::int32_t result = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
        if (ec != std::errc() || end != text.data() + text.size())
            throw TableError("'" + text + "' is not a valid integer value");
        return result;
    }
    default:
        throw std::logic_error("field " + name_ + " cannot be read as an integer");
    }
}

std::size_t Field::DataSize() const
{
    const Value* v = current();
    return v && !v->isNull() ? v->bytes.size() : 0;
}

std::optional<double> Field::AsDateTimeIfDay() const
{
    try {
        const double value = AsDateTime();
        if (std::isfinite(value))
            return value;
    } catch (const TableError&) {
    }
    return std::nullopt;
}

double Field::AsDateTime() const
{
    if (type_ != FieldType::DateTime)
        throw std::logic_error("field " + name_ + " cannot be read as a date");
    const Value* v = current();
    if (!v || v->isNull())
        return 0;
    const Column& c = column();
    switch (c.base()) {
    case basetype::Date:
        return StoredMsToDateTime(static_cast<double>(DecodeSigned(v->bytes, 4)) * kMsPerDay);
    case basetype::Time:
        return static_cast<double>(LoadLittleEndian(v->bytes, 4)) / kMsPerDay;
    default:
        return StoredMsToDateTime(DecodeDouble(v->bytes));
    }
}

void Field::store(Value value, bool blobAssignment)
{
    table_.requireEditing();
    if (column_ < 0)
        throw std::logic_error("field " + name_ + " is not bound");
    table_.buffer_.values[static_cast<std::size_t>(column_)] = std::move(value);
    table_.bufferModified_ = true;
    table_.blobAssigned_ = table_.blobAssigned_ || blobAssignment;
    table_.notifyLinks();
}

void Field::storeBytes(std::string bytes)
{
    if (bytes.empty())
        store(Cleared(), true);
    else
        store(Present(std::move(bytes)), true);
}

void Field::SetAsString(std::string_view text)
{
    switch (type_) {
    case FieldType::String: {
        table_.requireEditing();
        std::size_t limit = static_cast<std::size_t>(std::max(size_, 0));
        const Column& c = column();
        if (c.width != 0)
            limit = std::min<std::size_t>(limit, c.width);
        if (!c.varying())
            limit = std::min<std::size_t>(limit, c.sizeField());
        store(Present(TrimTrailingBlanks(std::string(text.substr(0, limit)))));
        return;
    }
    case FieldType::Blob:
        table_.requireEditing();
        storeBytes(std::string(text));
        return;
    case FieldType::Integer: {
        std::int32_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size())
            throw TableError("'" + std::string(text) + "' is not a valid integer value");
        SetAsInteger(value);
        return;
    }
    case FieldType::DateTime:
        throw std::logic_error("field " + name_ + " cannot be set from text");
    }
}

void Field::SetAsInteger(std::int32_t value)
{
    if (type_ == FieldType::String) {
        SetAsString(std::to_string(value));
        return;
    }
    if (type_ != FieldType::Integer)
        throw std::logic_error("field " + name_ + " cannot be set from an integer");
    table_.requireEditing();
    const Column& c = column();
    const unsigned size = c.sizeField();
    const bool isUnsigned = c.base() == basetype::UInt;
    const std::int64_t low = isUnsigned ? 0 : -(1LL << (8 * size - 1));
    const std::int64_t high = isUnsigned ? (1LL << (8 * size)) - 1 : (1LL << (8 * size - 1)) - 1;
    if (size < 4 && (value < low || value > high))
        throw TableError(std::to_string(value) + " is not a valid value for field '" + name_ +
                         "'. The allowed range is " + std::to_string(low) + " to " + std::to_string(high));
    store(Present(StoreLE(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)), size)));
}

void Field::SetAsDateTime(double entryDate)
{
    if (type_ != FieldType::DateTime)
        throw std::logic_error("field " + name_ + " cannot be set from a date");
    table_.requireEditing();
    store(DateTimeValue(column(), entryDate));
}

void Field::Clear()
{
    store(Cleared(), type_ == FieldType::Blob);
}

void Field::SaveToStream(MemoryStream& stream) const
{
    const Value* v = current();
    if (v && !v->isNull())
        stream.write(v->bytes.view());
}

std::string_view Field::BlobView() const
{
    const Value* v = current();
    return v && !v->isNull() ? v->bytes.view() : std::string_view();
}

void Field::LoadFromStream(const MemoryStream& stream)
{
    if (type_ != FieldType::Blob)
        throw std::logic_error("field " + name_ + " is not a blob");
    storeBytes(stream.bytes());
}

// ---------------------------------------------------------------------------
// MemTable

MemTable::MemTable(std::string name) : name_(std::move(name)) {}

MemTable::~MemTable()
{
    try {
        Close();
    } catch (const std::exception& e) {
        // A destructor cannot pass the failure on; owners close their tables first.
        std::fprintf(stderr, "%s\n", e.what());
    }
}

void MemTable::fail(const std::string& text) const
{
    throw TableFailure(name_, text);
}

void MemTable::requireActive() const
{
    if (state_ == TableState::Inactive)
        fail("Cannot perform this operation on a closed dataset");
}

void MemTable::requireEditing() const
{
    if (state_ != TableState::Edit && state_ != TableState::Insert)
        fail("Dataset not in edit or insert mode");
}

Field& MemTable::AddField(std::string name, FieldType type, int size)
{
    fieldDefs_.push_back({name, type, size});
    return DeclareField(std::move(name), type, size);
}

Field& MemTable::DeclareField(std::string name, FieldType type, int size)
{
    fields_.push_back(std::unique_ptr<Field>(new Field(*this, std::move(name), type, size)));
    return *fields_.back();
}

Field* MemTable::FindField(std::string_view name)
{
    for (auto& f : fields_)
        if (SameName(f->FieldName(), name))
            return f.get();
    return nullptr;
}

void MemTable::AttachDataLink(DataLink* link)
{
    links_.push_back(link);
}

void MemTable::DetachDataLink(DataLink* link)
{
    std::erase(links_, link);
}

void MemTable::updateLinks()
{
    const auto links = links_;
    for (DataLink* link : links)
        link->UpdateRecord();
}

void MemTable::notifyLinks()
{
    const auto links = links_;
    for (DataLink* link : links)
        link->RecordChanged();
}

void MemTable::SetIndexFieldNames(std::string names)
{
    indexFieldNames_ = std::move(names);
    if (Active()) {
        settle();
        buildView();
        cursor_ = view_.begin();
        bof_ = true;
        eof_ = view_.empty();
        notifyLinks();
    }
}

void MemTable::SetLogChanges(bool value)
{
    settle();
    logChanges_ = value;
}

void MemTable::CreateTable()
{
    if (Active())
        fail("Cannot perform this operation on an open dataset");
    if (fieldDefs_.empty())
        throw TableError("No fields defined.  Cannot create dataset");
    for (const FieldDef& def : fieldDefs_)
        if (def.name.size() > kMaxFieldNameLength)
            throw TableError("Fieldname " + def.name + " exceeds " + std::to_string(kMaxFieldNameLength) + " chars");
    try {
        for (const FieldDef& def : fieldDefs_)
            columns_.push_back(ColumnOf(def));
        bindFields();
        buildView();
    } catch (...) {
        discard();
        throw;
    }
    state_ = TableState::Browse;
    cursor_ = view_.end();
    bof_ = eof_ = true;
    changed_ = 0;
    notifyLinks();
}

void MemTable::Open()
{
    if (Active())
        return;
    try {
        load();
        bindFields();
        buildView();
    } catch (...) {
        discard();
        throw;
    }
    state_ = TableState::Browse;
    cursor_ = view_.begin();
    bof_ = true;
    eof_ = view_.empty();
    changed_ = 0;
    notifyLinks();
}

void MemTable::Scan(const std::function<void()>& visit)
{
    if (Active())
        throw std::logic_error("table " + name_ + " is open; a scan reads a closed one");
    requireFile();
    try {
        PacketStream stream(fileName_);
        columns_ = stream.columns();
        bindFields();
        requireIndexField();
        Row row;
        while (stream.Next(row)) {
            if (!row.visible())
                continue;
            scanRow_ = &row;
            visit();
            scanRow_ = nullptr;
        }
    } catch (...) {
        scanRow_ = nullptr;
        discard();
        throw;
    }
    discard();
}

void MemTable::requireFile() const
{
    if (fileName_.empty() || !FileExists(fileName_) || FileSize(fileName_) == 0)
        fail("Missing data provider or data packet");
}

void MemTable::load()
{
    requireFile();
    const Bytes data = ReadWholeFile(fileName_);
    if (data.empty())
        fail("Missing data provider or data packet"); // emptied since it was looked at
    Packet packet = ReadPacket(data);
    columns_ = std::move(packet.columns);
    tableAttributes_ = std::move(packet.tableAttributes);
    rows_ = std::move(packet.rows);
    hasChangeLog_ = false;
    const Attribute* defaultOrder = nullptr;
    for (const Attribute& a : tableAttributes_) {
        hasChangeLog_ = hasChangeLog_ || SameName(a.name, "CHANGE_LOG");
        if (SameName(a.name, "DEFAULT_ORDER") && typecode::IsArray(a.type) && typecode::SizeField(a.type) == 2)
            defaultOrder = &a;
    }
    // DEFAULT_ORDER names the columns that order the rows; a change log refers to rows by
    // their position, so its rows keep the order of the packet.
    if (defaultOrder && !hasChangeLog_ && defaultOrder->value.size() >= 4) {
        std::vector<std::uint16_t> keys;
        const std::size_t count = std::min<std::size_t>(LoadLittleEndian(defaultOrder->value, 4), (defaultOrder->value.size() - 4) / 2);
        for (std::size_t i = 0; i < count; ++i)
            keys.push_back(static_cast<std::uint16_t>(LoadLittleEndian(defaultOrder->value.sub(4 + 2 * i, 2), 2)));
        std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
            for (std::uint16_t key : keys) {
                const std::size_t column = static_cast<std::size_t>((key & 0x3FFF)) - 1;
                if (column >= columns_.size())
                    continue;
                int order = CompareValues(columns_[column], a.values[column], b.values[column]);
                if (key & 0x8000)
                    order = -order;
                if (order != 0)
                    return order < 0;
            }
            return false;
        });
    }
}

void MemTable::bindFields()
{
    for (auto& f : fields_)
        f->column_ = -1;
    for (auto& f : fields_) {
        const auto it = std::find_if(columns_.begin(), columns_.end(),
                                     [&](const Column& c) { return SameName(c.name, f->FieldName()); });
        if (it == columns_.end())
            fail("Field '" + f->FieldName() + "' not found");
        const ColumnKind kind = DescribeColumn(*it);
        if (kind.family != DeclaredFamily(f->DataType()))
            fail("Type mismatch for field '" + f->FieldName() + "', expecting: " + DeclaredTypeName(f->DataType()) +
                 " actual: " + kind.typeName);
        f->column_ = static_cast<int>(it - columns_.begin());
    }
}

void MemTable::unbind()
{
    for (auto& f : fields_)
        f->column_ = -1;
}

int MemTable::indexColumn() const
{
    if (indexFieldNames_.empty())
        return -1;
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (SameName(columns_[i].name, indexFieldNames_))
            return static_cast<int>(i);
    return -1;
}

bool MemTable::rowLess(std::uint32_t a, std::uint32_t b) const
{
    if (keyColumn_ >= 0) {
        const auto k = static_cast<std::size_t>(keyColumn_);
        const int order = CompareValues(columns_[k], rows_[a].values[k], rows_[b].values[k]);
        if (order != 0)
            return order < 0;
    }
    return a < b;
}

int MemTable::keyCompare(const Value& key, std::uint32_t row) const
{
    const auto k = static_cast<std::size_t>(keyColumn_);
    return CompareValues(columns_[k], key, rows_[row].values[k]);
}

bool MemTable::sameKey(const Row& a, const Row& b) const
{
    if (keyColumn_ < 0)
        return true;
    const auto k = static_cast<std::size_t>(keyColumn_);
    return CompareValues(columns_[k], a.values[k], b.values[k]) == 0;
}

void MemTable::requireIndexField() const
{
    if (!indexFieldNames_.empty() && indexColumn() < 0)
        fail("Field '" + indexFieldNames_ + "' not found");
}

void MemTable::buildView()
{
    requireIndexField();
    view_.clear();
    keyColumn_ = indexColumn();
    std::vector<std::uint32_t> order;
    order.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].visible())
            order.push_back(static_cast<std::uint32_t>(i));
    std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) { return rowLess(a, b); });
    for (std::uint32_t i : order)
        view_.insert(view_.end(), i);
    cursor_ = cursorBeforeEdit_ = view_.end();
}

void MemTable::discard()
{
    rows_.clear();
    rows_.shrink_to_fit();
    view_.clear();
    keyColumn_ = -1;
    columns_.clear();
    tableAttributes_.clear();
    hasChangeLog_ = false;
    buffer_ = Row();
    cursor_ = cursorBeforeEdit_ = view_.end();
    bof_ = eof_ = true;
    unbind();
}

void MemTable::Close()
{
    if (!Active())
        return;
    state_ = TableState::Inactive;
    buffer_ = Row();
    const unsigned changes = changed_;
    changed_ = 0;
    struct Discard {
        MemTable& table;
        ~Discard()
        {
            table.discard();
            table.notifyLinks();
        }
    } discardAtEnd{*this};
    if (!fileName_.empty() && changes != 0)
        writeFile();
}

void MemTable::Save()
{
    requireActive();
    if (fileName_.empty() || changed_ == 0)
        return;
    writeFile();
    changed_ = 0;
}

namespace {

// Reads a table file just written and says how it differs from the rows it was written
// from, or "" when it holds them exactly. It passes over the file in a small window: fresh
// from the disk's cache, that costs far less than holding a second copy of the journal.
std::string ReadBackDifference(const std::string& file, std::size_t columns, const std::vector<const Row*>& rows)
{
    try {
        PacketStream stream(file);
        if (stream.columns().size() != columns)
            return "The new file read back with " + std::to_string(stream.columns().size()) + " columns instead of " +
                   std::to_string(columns) + ".";
        Row row;
        std::size_t count = 0;
        for (; stream.Next(row); ++count) {
            if (count >= rows.size() || row.values != rows[count]->values)
                return "Row " + std::to_string(count + 1) +
                       " of the new file read back differently from what was written.";
        }
        if (count != rows.size())
            return "The new file read back with " + std::to_string(count) + " rows instead of " +
                   std::to_string(rows.size()) + ".";
    } catch (const std::exception& e) {
        return std::string("The new file could not be read back: ") + e.what() + ".";
    }
    return {};
}

} // namespace

void MemTable::writeFile()
{
    std::vector<const Row*> rows;
    rows.reserve(rows_.size());
    for (const Row& row : rows_)
        if (hasChangeLog_ || row.visible())
            rows.push_back(&row);
    const PacketBytes packet = WritePacket(columns_, tableAttributes_, rows);
    ReplaceSteps steps;
    steps.verify = [&](const std::string& newFile) { return ReadBackDifference(newFile, columns_.size(), rows); };
    steps.beforeReplace = beforeReplace_;
    ReplaceFile(fileName_, packet.pieces(), steps);
}

Row MemTable::newRow() const
{
    Row row;
    row.values.resize(columns_.size());
    return row;
}

const Row* MemTable::currentRow() const
{
    if (scanRow_)
        return scanRow_;
    if (state_ == TableState::Edit || state_ == TableState::Insert)
        return &buffer_;
    if (state_ == TableState::Inactive || cursor_ == view_.end())
        return nullptr;
    return &rows_[*cursor_];
}

void MemTable::settle()
{
    requireActive();
    if (state_ == TableState::Edit || state_ == TableState::Insert) {
        updateLinks();
        if (bufferModified_)
            Post();
        else
            Cancel();
    }
}

bool MemTable::IsEmpty() const
{
    if (state_ == TableState::Inactive)
        return true;
    if (state_ == TableState::Insert)
        return false;
    return view_.empty();
}

void MemTable::First()
{
    settle();
    cursor_ = view_.begin();
    bof_ = true;
    eof_ = view_.empty();
    notifyLinks();
}

void MemTable::Last()
{
    settle();
    cursor_ = view_.empty() ? view_.end() : std::prev(view_.end());
    bof_ = view_.empty();
    eof_ = true;
    notifyLinks();
}

void MemTable::Next()
{
    settle();
    if (eof_)
        return;
    if (cursor_ == view_.end() || std::next(cursor_) == view_.end()) {
        eof_ = true;
    } else {
        ++cursor_;
        bof_ = false;
    }
    notifyLinks();
}

bool MemTable::FindKey(double value)
{
    settle();
    const int k = indexColumn();
    if (k < 0)
        fail("No index currently active");
    // The key as an assignment to the index field would store it.
    const Column& c = columns_[static_cast<std::size_t>(k)];
    Value key;
    switch (c.base()) {
    case basetype::DateTime:
    case basetype::Date:
    case basetype::Time:
        key = DateTimeValue(c, value);
        break;
    case basetype::Float:
        key = Present(EncodeDouble(value));
        break;
    case basetype::Int:
    case basetype::UInt:
        key = Present(StoreLE(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)), c.sizeField()));
        break;
    default:
        throw std::logic_error("key lookup on a column of this type is not supported");
    }
    state_ = TableState::SetKey; // only for the search itself
    const auto it = view_.lower_bound(KeyProbe{&key});
    state_ = TableState::Browse;
    if (it == view_.end() || keyCompare(key, *it) != 0)
        return false;
    cursor_ = it;
    bof_ = eof_ = false;
    notifyLinks();
    return true;
}

void MemTable::Insert()
{
    settle();
    cursorBeforeEdit_ = cursor_;
    buffer_ = newRow();
    bufferModified_ = false;
    blobAssigned_ = false;
    state_ = TableState::Insert;
    notifyLinks();
}

void MemTable::Edit()
{
    if (state_ == TableState::Edit || state_ == TableState::Insert)
        return;
    requireActive();
    if (view_.empty()) {
        Insert();
        return;
    }
    settle();
    if (cursor_ == view_.end())
        cursor_ = view_.begin();
    cursorBeforeEdit_ = cursor_;
    buffer_ = rows_[*cursor_];
    bufferModified_ = false;
    blobAssigned_ = false;
    state_ = TableState::Edit;
    notifyLinks();
}

void MemTable::Post()
{
    requireEditing();
    updateLinks();
    if (state_ == TableState::Insert) {
        rows_.push_back(std::move(buffer_));
        cursor_ = view_.insert(static_cast<std::uint32_t>(rows_.size() - 1)).first;
        ++changed_;
    } else {
        const std::uint32_t index = *cursor_;
        Row& stored = rows_[index];
        if (blobAssigned_ || stored.values != buffer_.values) {
            // A row whose key changes leaves the tree before the change and re-enters after it.
            const bool keyMoved = !sameKey(stored, buffer_);
            if (keyMoved)
                view_.erase(cursor_);
            stored.values = std::move(buffer_.values);
            if (keyMoved)
                cursor_ = view_.insert(index).first;
            ++changed_;
        }
    }
    buffer_ = Row();
    bufferModified_ = false;
    blobAssigned_ = false;
    state_ = TableState::Browse;
    bof_ = eof_ = false;
    notifyLinks();
}

void MemTable::Cancel()
{
    if (state_ != TableState::Edit && state_ != TableState::Insert)
        return;
    buffer_ = Row();
    bufferModified_ = false;
    blobAssigned_ = false;
    state_ = TableState::Browse;
    cursor_ = cursorBeforeEdit_;
    notifyLinks();
}

} // namespace quill
