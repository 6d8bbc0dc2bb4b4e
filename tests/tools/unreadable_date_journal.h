#pragma once

// A journal of three days, 2010-09-08 "one", 2010-09-09 "two" and 2010-09-10 "three", whose
// middle row's date is stored as 0: no date the table engine can read.

#include "tables.h"

#include "storage/datetime.h"
#include "storage/stream.h"

inline bool WriteJournalWithAnUnreadableDate(const QString& path)
{
    QFile::remove(path);
    {
        JournalTable journal(path);
        OpenLikeTheProgram(journal.table);
        const char* words[] = {"one", "two", "three"};
        for (int i = 0; i < 3; ++i) {
            journal.table.Insert();
            journal.JournalDate.SetAsDateTime(kDay20100908 + i);
            quill::MemoryStream body(std::string("{\\rtf1 ") + words[i] + "}");
            journal.JournalEntry.LoadFromStream(body);
            journal.table.Post();
        }
        journal.table.Close();
    }
    QByteArray bytes = ReadFile(path);
    const double stored = quill::DateTimeToStoredMs(kDay20100908 + 1);
    const QByteArray date(reinterpret_cast<const char*>(&stored), sizeof stored);
    if (bytes.count(date) != 1)
        return false;
    bytes.replace(date, QByteArray(8, '\0'));
    return WriteFile(path, bytes);
}
