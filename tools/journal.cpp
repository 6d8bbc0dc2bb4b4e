#include "journal.h"

#include "command.h"

#include "storage/errors.h"
#include "storage/fileio.h"

#include <cstdio>
#include <stdexcept>
#include <sys/stat.h>

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

void RequireExistingFile(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error("No such file: " + path);
}

void BadEntries::Take(const std::function<void()>& take)
{
    try {
        take();
    } catch (const TableError& e) {
        ++count_;
        std::fflush(stdout);
        std::fprintf(stderr, "%s: an entry is left out: %s\n", path_.c_str(), e.what());
    }
}

double ParseDateArgument(const std::string& text)
{
    CivilDate date;
    if (!ParseIsoDate(text, date))
        throw UsageError{"not a date (YYYY-MM-DD): " + text};
    return EncodeEntryDate(date);
}

bool TakeDateRangeOption(const std::vector<std::string>& args, std::size_t& i, DateRange& range)
{
    std::optional<double>* end = args[i] == "--from" ? &range.from : args[i] == "--to" ? &range.to : nullptr;
    if (!end)
        return false;
    if (i + 1 >= args.size())
        throw UsageError{"missing the date after " + args[i]};
    *end = ParseDateArgument(args[i + 1]);
    i += 1;
    return true;
}

int ParseWidthArgument(const std::string& text)
{
    constexpr int kMaxWidth = 10000;
    int width = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || width > kMaxWidth)
            throw UsageError{"not a width in pixels (1 to 10000): " + text};
        width = width * 10 + (c - '0');
    }
    if (width < 1 || width > kMaxWidth)
        throw UsageError{"not a width in pixels (1 to 10000): " + text};
    return width;
}

} // namespace quill::tool
