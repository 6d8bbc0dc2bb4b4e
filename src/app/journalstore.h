#pragma once

#include <vector>

#include "storage/recovery.h"

#include "storage/memtable.h"

class QWidget;

namespace quill {

class RichEdit;

// The journal: one row per day whose text was ever stored, ordered by date, each holding
// the day's RTF document.
struct JournalFields {
    Field& JournalDate;
    Field& JournalEntry;
};

JournalFields DeclareJournalFields(MemTable& table);

// The open step: the file beside the program, created empty when missing, change logging
// off. Fails with the table's failure.
void OpenJournal(MemTable& table);

// Shows the entry of `date` in the editor: its body when there is a row, an empty editor
// otherwise. A journal without any row leaves the editor exactly as it is. Fails with
// "Failed to Load Stream" when a body reads neither as RTF nor as 8-bit text.
void LoadEntry(MemTable& table, const JournalFields& fields, RichEdit& editor, double date);

// Stores the editor's document under `date`: edits that day's row or inserts one. A failed
// insert or update is cancelled and shown in an error box, and the editor stays modified
// so that the next save tries again; a failing lookup goes to the caller.
void SaveEntry(MemTable& table, const JournalFields& fields, RichEdit& editor, double date, QWidget* parent);

// The recovery log beside the journal in the data folder.
RecoveryLog JournalRecoveryLog();

// The dates of the journal's rows, in date order, leaving out those that are no day (a
// damaged row, or one another program wrote so): the day moves walk these. The rows
// themselves stay as they are.
std::vector<double> ReadableEntryDates(MemTable& table, const JournalFields& fields);

// Stores every intact record of the log as its day's entry, in log order (a later record of
// a day wins), and returns how many days they were. The table writes them at its next close.
int ReplayRecoveryLog(MemTable& table, const JournalFields& fields, const RecoveryLog::Contents& contents);

} // namespace quill
