#pragma once

#include "storage/packet.h"
#include "storage/stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

class MemTable;

enum class FieldType { String, Integer, DateTime, Blob };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::String;
    int size = 0; // characters of a string field; 0 otherwise
};

// An editor bound to a field (through a data source). The table asks it to store its
// pending text before a post and before the settle step, and tells it to read its field
// again whenever the current row, the state or a value changes.
class DataLink {
public:
    virtual ~DataLink() = default;
    virtual void UpdateRecord() = 0;
    virtual void RecordChanged() = 0;
};

// A field object: declared with the table, bound to the column of its name at open.
class Field {
public:
    const std::string& FieldName() const { return name_; }
    FieldType DataType() const { return type_; }
    int Size() const { return size_; }
    bool IsBound() const { return column_ >= 0; }

    // Reading: the edit buffer in Edit and Insert, else the current row. Null reads as 0,
    // the empty text or no bytes.
    bool IsNull() const;
    std::string AsString() const;
    std::int32_t AsInteger() const;
    std::size_t DataSize() const; // bytes of the value as stored; 0 for null
    double AsDateTime() const;
    // The date, or none when the stored value is no day (a damaged row): for walks that pass
    // such rows over.
    std::optional<double> AsDateTimeIfDay() const;

    // Writing requires Edit or Insert and marks the pending row modified.
    void SetAsString(std::string_view text);
    void SetAsInteger(std::int32_t value);
    void SetAsDateTime(double entryDate);
    void Clear();

    // Blob fields: the whole value at the stream's position; nothing for null.
    void SaveToStream(MemoryStream& stream) const;
    // The value's bytes as stored, without a copy; valid while the row stays current and
    // unchanged. Empty for null.
    std::string_view BlobView() const;
    // Blob fields: the stream's entire content, whatever its position; empty gives null.
    void LoadFromStream(const MemoryStream& stream);

private:
    friend class MemTable;
    Field(MemTable& table, std::string name, FieldType type, int size)
        : table_(table), name_(std::move(name)), type_(type), size_(size)
    {
    }
    const Value* current() const;
    const Column& column() const;
    void store(Value value, bool blobAssignment = false);
    void storeBytes(std::string bytes);

    MemTable& table_;
    std::string name_;
    FieldType type_;
    int size_;
    int column_ = -1;
};

// The type name of a column as failures and listings show it ("DateTime", "Blob", ...).
std::string ColumnTypeName(const Column& column);

enum class TableState { Inactive, Browse, Edit, Insert, SetKey };

// A table that lives wholly in memory while it is open: filled from its file at Open,
// written back to it at Close when something was stored.
class MemTable {
public:
    explicit MemTable(std::string name);
    ~MemTable();
    MemTable(const MemTable&) = delete;
    MemTable& operator=(const MemTable&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string path) { fileName_ = std::move(path); }
    std::vector<FieldDef>& FieldDefs() { return fieldDefs_; }
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(std::string names);
    bool LogChanges() const { return logChanges_; }
    void SetLogChanges(bool value);
    // A step the close runs on the table's file just before a new one replaces it, once
    // the new one is written and read back whole (keeping a backup of it, say).
    void SetBeforeReplace(std::function<void(const std::string& oldFile)> step) { beforeReplace_ = std::move(step); }

    // Declares a field object and its definition (the usual pair for a table of ours).
    Field& AddField(std::string name, FieldType type, int size = 0);
    // Declares a field object only.
    Field& DeclareField(std::string name, FieldType type, int size = 0);
    Field* FindField(std::string_view name);

    void CreateTable();
    void Open();
    // Passes once over the rows of the table's file without loading it: for each visible
    // row, in the file's order, `visit` runs with the fields reading that row. Fails as Open
    // does. For tools that read a large table once; the table must be closed and stays so.
    void Scan(const std::function<void()>& visit);
    void Close();
    // Writes the table's file now if something was stored since it was opened or last
    // written, and stays open. When the file cannot be written the table keeps its rows and
    // still counts them as unwritten, so that a later Save or Close tries again.
    void Save();
    bool Active() const { return state_ != TableState::Inactive; }
    TableState State() const { return state_; }

    bool IsEmpty() const;
    void First();
    void Last();
    void Next();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool FindKey(double value);
    std::size_t RecordCount() const { return view_.size(); }

    void Insert();
    void Edit();
    void Post();
    void Cancel();

    unsigned ChangeCount() const { return changed_; }

    // The columns and stored rows as they are now (for inspection).
    const std::vector<Column>& Columns() const { return columns_; }
    std::size_t StoredRowCount() const { return rows_.size(); }

    void AttachDataLink(DataLink* link);
    void DetachDataLink(DataLink* link);

private:
    friend class Field;

    [[noreturn]] void fail(const std::string& text) const;
    void requireActive() const;
    void requireEditing() const;
    void settle();
    void updateLinks();
    void notifyLinks();
    void requireFile() const;
    void load();
    void bindFields();
    void unbind();
    void requireIndexField() const;
    void buildView();
    int indexColumn() const;
    bool rowLess(std::uint32_t a, std::uint32_t b) const;
    int keyCompare(const Value& key, std::uint32_t row) const;
    bool sameKey(const Row& a, const Row& b) const;
    void discard();
    void writeFile();
    Row newRow() const;
    const Row* currentRow() const;

    std::string name_;
    std::string fileName_;
    std::vector<FieldDef> fieldDefs_;
    std::string indexFieldNames_;
    bool logChanges_ = true;
    std::function<void(const std::string&)> beforeReplace_;
    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<DataLink*> links_;

    TableState state_ = TableState::Inactive;
    bool createdEmpty_ = false;
    std::vector<Column> columns_;
    std::vector<Attribute> tableAttributes_;
    bool hasChangeLog_ = false;
    std::vector<Row> rows_;            // default order
    const Row* scanRow_ = nullptr;     // the row a scan visits
    // The rows in active order: by the index field's value, then by position in the default
    // order, so that a row posted with an existing key goes after the rows that have it.
    // A tree keeps both the key lookup and the placement of a new row logarithmic.
    struct KeyProbe {
        const Value* key;
    };
    struct ViewOrder {
        const MemTable* table;
        using is_transparent = void;
        bool operator()(std::uint32_t a, std::uint32_t b) const { return table->rowLess(a, b); }
        bool operator()(const KeyProbe& p, std::uint32_t b) const { return table->keyCompare(*p.key, b) <= 0; }
        bool operator()(std::uint32_t a, const KeyProbe& p) const { return table->keyCompare(*p.key, a) > 0; }
    };
    using View = std::set<std::uint32_t, ViewOrder>;
    int keyColumn_ = -1;
    View view_{ViewOrder{this}};
    View::iterator cursor_ = view_.end();
    bool bof_ = true;
    bool eof_ = true;

    Row buffer_;                       // the pending row in Edit and Insert
    bool bufferModified_ = false;
    bool blobAssigned_ = false;
    View::iterator cursorBeforeEdit_ = view_.end();
    unsigned changed_ = 0;
};

} // namespace quill
