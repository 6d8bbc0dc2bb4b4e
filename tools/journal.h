#pragma once

#include "storage/datetime.h"
#include "storage/memtable.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

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

// Fails with "No such file: PATH" when there is nothing at `path`, before a command that
// reads a file opens it.
void RequireExistingFile(const std::string& path);

// The entries a reading command could not take, each said on standard error as it comes
// (the command goes on with the others); the command then ends with 1.
class BadEntries {
public:
    explicit BadEntries(std::string path) : path_(std::move(path)) {}
    // Runs `take` for the next entry; a failure of the table engine in it is reported.
    void Take(const std::function<void()>& take);
    int ExitCode() const { return count_ == 0 ? 0 : 1; }

private:
    std::string path_;
    std::size_t count_ = 0;
};

// Parses a DATE argument (YYYY-MM-DD) or throws UsageError.
double ParseDateArgument(const std::string& text);

// The days of --from DATE and --to DATE; both ends count, an end not given is open.
struct DateRange {
    std::optional<double> from;
    std::optional<double> to;
    // Compared as the search window compares them.
    bool Contains(double date) const { return !(from && *from > date) && !(to && *to < date); }
};

// Takes "--from DATE" or "--to DATE" at args[i] into `range`, moving `i` past the date;
// false, taking nothing, for any other argument. A missing or bad date throws UsageError.
bool TakeDateRangeOption(const std::vector<std::string>& args, std::size_t& i, DateRange& range);

// Parses a WIDTH argument of render (whole pixels, 1 to 10000) or throws UsageError.
int ParseWidthArgument(const std::string& text);

} // namespace quill::tool
