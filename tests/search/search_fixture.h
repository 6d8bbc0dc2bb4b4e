#pragma once

// Journals for the search tests, written through the table engine as the program stores them.

#include "app/journalstore.h"
#include "platform/regional.h"
#include "storage/memtable.h"

#include <QDate>
#include <QString>

#include <utility>
#include <vector>

namespace quill::testing {

// The body the editor would store for a one-paragraph text.
inline std::string OneParagraphBody(const QString& text)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard " + text.toStdString() + "\\par}";
}

// Writes the days in the order given, so that the file's order need not be the date order.
inline void WriteJournal(const QString& path, const std::vector<std::pair<QDate, QString>>& days)
{
    MemTable table("tblJournal");
    const JournalFields f = DeclareJournalFields(table);
    table.SetFileName(path.toStdString());
    table.CreateTable();
    for (const auto& [day, text] : days) {
        table.Insert();
        f.JournalDate.SetAsDateTime(FromQDate(day));
        f.JournalEntry.LoadFromStream(MemoryStream(OneParagraphBody(text)));
        table.Post();
    }
    table.Close();
}

} // namespace quill::testing
