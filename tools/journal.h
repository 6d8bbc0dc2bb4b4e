#pragma once

#include "storage/datetime.h"
#include "storage/memtable.h"

#include <string>

namespace quill::tool {

// The journal table as the program declares it: "tblJournal", ordered by JournalDate.
class JournalTable {
public:
    MemTable table{"tblJournal"};
    Field& journalDate;
    Field& journalEntry;

    explicit JournalTable(const std::string& path);
    void Open();            // fails as the program's open does when there is no file
    void OpenOrCreate();    // creates an empty table as the program does on its first run
};

// Parses a DATE argument (YYYY-MM-DD) or throws UsageError.
double ParseDateArgument(const std::string& text);

// Parses a WIDTH argument of render (whole pixels, 1 to 10000) or throws UsageError.
int ParseWidthArgument(const std::string& text);

} // namespace quill::tool
