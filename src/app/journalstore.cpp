#include "app/journalstore.h"

#include "app/safekeeping.h"

#include "platform/datadir.h"
#include "platform/dialogs.h"
#include "platform/richedit/find_dialog.h"
#include "platform/richedit/richedit.h"
#include "storage/fileio.h"

#include <set>

namespace quill {

namespace {

// Inserts a row for `date` (insert) or rewrites the current one, with the editor's whole
// document as RTF.
void StoreEntry(MemTable& table, const JournalFields& fields, RichEdit& editor, double date, bool insert,
                QWidget* parent)
{
    try {
        if (insert) {
            table.Insert();
            fields.JournalDate.SetAsDateTime(date);
        } else {
            table.Edit();
        }
        MemoryStream body(editor.StreamOut(sfRichText));
        fields.JournalEntry.LoadFromStream(body);
        table.Post();
        editor.SetModified(false);
    } catch (const std::exception& e) {
        table.Cancel();
        ShowError(parent, QString::fromUtf8(e.what()));
    }
}

} // namespace

JournalFields DeclareJournalFields(MemTable& table)
{
    table.SetIndexFieldNames("JournalDate");
    return {table.AddField("JournalDate", FieldType::DateTime), table.AddField("JournalEntry", FieldType::Blob)};
}

void OpenJournal(MemTable& table)
{
    table.SetFileName((DataDirectory() + QStringLiteral("Journal.cds")).toStdString());
    // Only a file that is not there at all starts empty: a folder or a link to nothing in
    // its place cannot be read, and must not be written over.
    if (NothingAt(table.FileName()))
        table.CreateTable();
    table.Open();
    table.SetLogChanges(false);
    KeepDailyBackupsOf(table);
}

void LoadEntry(MemTable& table, const JournalFields& fields, RichEdit& editor, double date)
{
    if (table.IsEmpty())
        return;
    if (table.FindKey(date)) {
        MemoryStream body;
        fields.JournalEntry.SaveToStream(body);
        // A body that is not RTF is shown as 8-bit text, whatever the editor's stream mode
        // says about plain text elsewhere.
        const TStreamMode mode = editor.StreamMode();
        editor.SetStreamMode({});
        try {
            editor.StreamIn(body.bytes(), sfRichText);
        } catch (...) {
            editor.SetStreamMode(mode);
            throw;
        }
        editor.SetStreamMode(mode);
        editor.SetSelStart(0);
        editor.ensureCursorVisible();
    } else {
        editor.Clear();
        editor.SetModified(false);
    }
    editor.setFocus();
}

void SaveEntry(MemTable& table, const JournalFields& fields, RichEdit& editor, double date, QWidget* parent)
{
    const bool found = table.FindKey(date);
    StoreEntry(table, fields, editor, date, !found, parent);
}

std::vector<double> ReadableEntryDates(MemTable& table, const JournalFields& fields)
{
    // The table's index on the date keeps the rows in date order.
    std::vector<double> dates;
    dates.reserve(table.RecordCount());
    for (table.First(); !table.Eof(); table.Next())
        if (const auto date = fields.JournalDate.AsDateTimeIfDay())
            dates.push_back(*date);
    return dates;
}

RecoveryLog JournalRecoveryLog()
{
    return RecoveryLog((DataDirectory() + QStringLiteral("Journal.cds.recovery")).toStdString());
}

int ReplayRecoveryLog(MemTable& table, const JournalFields& fields, const RecoveryLog::Contents& contents)
{
    std::set<double> days;
    for (const RecoveryLog::Record& record : contents.records) {
        try {
            if (table.FindKey(record.date)) {
                table.Edit();
            } else {
                table.Insert();
                fields.JournalDate.SetAsDateTime(record.date);
            }
            MemoryStream body(record.body);
            fields.JournalEntry.LoadFromStream(body);
            table.Post();
            days.insert(record.date);
        } catch (...) {
            table.Cancel();
            throw;
        }
    }
    return static_cast<int>(days.size());
}

} // namespace quill
