#include "platform/dbedit.h"

#include "platform/ansi.h"

#include <stdexcept>

namespace quill {

TDBEdit::TDBEdit(MemTable& table, Field& field, QWidget* parent) : QLineEdit(parent), table_(table), field_(field)
{
    if (field.DataType() == FieldType::String && field.Size() > 0)
        setMaxLength(field.Size());
    connect(this, &QLineEdit::textEdited, this, [this] { userEdited_ = true; });
    table_.AttachDataLink(this);
    RecordChanged();
}

TDBEdit::~TDBEdit()
{
    table_.DetachDataLink(this);
}

void TDBEdit::UpdateRecord()
{
    if (!userEdited_)
        return;
    const auto bytes = ToAnsi(text());
    if (!bytes) {
        QString refused;
        for (QChar ch : text())
            if (!ToAnsi(QString(ch)))
                refused += ch;
        throw std::runtime_error(("The " + field_.FieldName() + " cannot hold the character" +
                                  (refused.size() > 1 ? "s \"" : " \"") + refused.toStdString() +
                                  "\". Please use only letters, digits and signs of Western European languages.")
                                     .c_str());
    }
    userEdited_ = false;
    loading_ = true;
    try {
        field_.SetAsString(*bytes);
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
}

void TDBEdit::RecordChanged()
{
    // A value this editor just stored is already shown; anything else is read again.
    if (loading_)
        return;
    const TableState state = table_.State();
    const bool editing = state == TableState::Edit || state == TableState::Insert;
    setReadOnly(!editing);
    if (userEdited_ && editing)
        return; // keep what the user is typing while the row stays in edit
    userEdited_ = false;
    const std::string value = field_.AsString();
    setText(FromAnsi(value));
}

} // namespace quill
