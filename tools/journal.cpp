#include "journal.h"

#include "command.h"

#include "storage/fileio.h"

namespace quill::tool {

JournalTable::JournalTable(const std::string& path)
    : journalDate(table.addField("JournalDate", FieldType::DateTime)),
      journalEntry(table.addField("JournalEntry", FieldType::Blob))
{
    table.setFileName(path);
    table.setIndexFieldNames("JournalDate");
}

void JournalTable::open()
{
    table.open();
    table.setLogChanges(false);
}

void JournalTable::openOrCreate()
{
    if (!FileExists(table.fileName()))
        table.createTable();
    open();
}

double ParseDateArgument(const std::string& text)
{
    CivilDate date;
    if (!ParseIsoDate(text, date))
        throw UsageError{"not a date (YYYY-MM-DD): " + text};
    return EncodeEntryDate(date);
}

} // namespace quill::tool
