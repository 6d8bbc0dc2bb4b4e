#pragma once

#include "storage/memtable.h"

#include <QLineEdit>

namespace quill {

// A text field bound to a string field of a table through the table's data binding: it
// shows the field of the current row, and stores what the user typed into the field when
// the table asks for it (before a post or a move). Text the user never touched assigns
// nothing. Tables hold 8-bit windows-1252 text; a character outside it is refused when
// storing, with a message that says so, instead of being changed into another.
class TDBEdit : public QLineEdit, private DataLink {
    Q_OBJECT

public:
    TDBEdit(MemTable& table, Field& field, QWidget* parent = nullptr);
    ~TDBEdit() override;

private:
    void UpdateRecord() override;
    void RecordChanged() override;

    MemTable& table_;
    Field& field_;
    bool userEdited_ = false;
    bool loading_ = false;
};

} // namespace quill
