#include "journal.h"

#include "command.h"

#include "storage/fileio.h"

namespace quill::tool {

JournalTable::JournalTable(const std::string& path)
    : journalDate(table.AddField("JournalDate", FieldType::DateTime)),
      journalEntry(table.AddField("JournalEntry", FieldType::Blob))
{
    table.SetFileName(path);
    table.SetIndexFieldNames("JournalDate");
}

void JournalTable::Open()
{
    table.Open();
    table.SetLogChanges(false);
}

void JournalTable::OpenOrCreate()
{
    if (!FileExists(table.FileName()))
        table.CreateTable();
    Open();
}

double ParseDateArgument(const std::string& text)
{
    CivilDate date;
    if (!ParseIsoDate(text, date))
        throw UsageError{"not a date (YYYY-MM-DD): " + text};
    return EncodeEntryDate(date);
}

} // namespace quill::tool
