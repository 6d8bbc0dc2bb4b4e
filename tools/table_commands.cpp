// info, list, get and put: the journal and settings tables through the table engine.
#include "command.h"
#include "journal.h"

#include "storage/fileio.h"
#include "storage/recovery.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace quill::tool {

namespace {

void RequireArgs(const std::vector<std::string>& args, std::size_t count)
{
    if (args.size() != count)
        throw UsageError{"expects " + std::to_string(count) + " argument" + (count == 1 ? "" : "s")};
}

int Info(const std::vector<std::string>& args)
{
    RequireArgs(args, 1);
    RequireExistingFile(args[0]);
    MemTable table("Table");
    table.SetFileName(args[0]);
    table.Open();
    std::string out = "Columns:\n";
    for (const Column& c : table.Columns()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-31s %-12s width %u", c.name.c_str(), ColumnTypeName(c).c_str(),
                      static_cast<unsigned>(c.width));
        out += line;
        if (c.isBlob())
            out += "  blob kind " + (c.subtype.empty() ? std::string("(none)") : c.subtype);
        out += '\n';
    }
    out += "Rows: " + std::to_string(table.StoredRowCount()) + " stored, " + std::to_string(table.RecordCount()) +
           " visible\n";
    WriteOut(out);
    return 0;
}

int List(const std::vector<std::string>& args)
{
    RequireArgs(args, 1);
    RequireExistingFile(args[0]);
    JournalTable journal(args[0]);
    // One pass through a window of the file: a large journal is never held whole. Rows
    // of the same day keep their order in the file, as the table's view keeps them.
    std::vector<std::pair<double, std::size_t>> entries;
    BadEntries bad(args[0]);
    journal.table.Scan([&] {
        bad.Take([&] {
            const double date = journal.journalDate.AsDateTime();
            entries.emplace_back(date, journal.journalEntry.DataSize());
        });
    });
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string out;
    out.reserve(entries.size() * 24);
    for (const auto& [date, size] : entries) {
        out += FormatIsoDate(DecodeEntryDate(date));
        if (const int ms = TimeOfDayMs(date); ms != 0) {
            char time[24];
            std::snprintf(time, sizeof time, " %02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                          ms % 1000);
            out += time;
        }
        out += '\t';
        out += std::to_string(size);
        out += '\n';
    }
    WriteOut(out);
    return bad.ExitCode();
}

int Get(const std::vector<std::string>& args)
{
    RequireArgs(args, 2);
    const double date = ParseDateArgument(args[1]);
    RequireExistingFile(args[0]);
    JournalTable journal(args[0]);
    journal.Open();
    if (journal.table.IsEmpty() || !journal.table.FindKey(date))
        throw std::runtime_error("No entry for " + args[1]);
    MemoryStream body;
    journal.journalEntry.SaveToStream(body);
    WriteOut(body.bytes());
    return 0;
}

int Put(const std::vector<std::string>& args)
{
    RequireArgs(args, 3);
    const double date = ParseDateArgument(args[1]);
    if (!FileExists(args[2]))
        throw std::runtime_error("Cannot open file " + args[2]);
    const Bytes bytes = ReadWholeFile(args[2]);
    MemoryStream body(bytes.str());

    // The program writes the whole journal at its close: a day put in meanwhile would be lost.
    const JournalLock lock(args[0]);
    if (lock.HeldByAnother())
        throw std::runtime_error("the journal is open in Quillmere");
    JournalTable journal(args[0]);
    journal.OpenOrCreate();
    if (!journal.table.IsEmpty() && journal.table.FindKey(date)) {
        journal.table.Edit();
    } else {
        journal.table.Insert();
        journal.journalDate.SetAsDateTime(date);
    }
    journal.journalEntry.LoadFromStream(body);
    journal.table.Post();
    journal.table.Close();
    return 0;
}

const bool registered = RegisterCommand({"info", "FILE", "the columns and row counts of a table file", Info}) &&
                        RegisterCommand({"list", "JOURNAL", "each entry's date and body size, in date order", List}) &&
                        RegisterCommand({"get", "JOURNAL DATE", "that day's body, byte for byte, on standard output", Get}) &&
                        RegisterCommand({"put", "JOURNAL DATE FILE", "stores the file as that day's body", Put});

} // namespace

} // namespace quill::tool
