// text and search: the entries' plain text, as the program's search sees it.
#include "command.h"
#include "entry_text.h"
#include "journal.h"
#include "parallel_search.h"

#include "platform/richedit/plain_text.h"

#include <cstdio>
#include <stdexcept>

namespace quill::tool {

namespace {

int Text(const std::vector<std::string>& args)
{
    if (args.empty() || args.size() > 2)
        throw UsageError{"expects JOURNAL [DATE]"};
    const bool oneDay = args.size() == 2;
    const double day = oneDay ? ParseDateArgument(args[1]) : 0.0;
    RequireExistingFile(args[0]);
    JournalTable journal(args[0]);
    journal.Open();
    BadEntries bad(args[0]);
    std::string out;
    if (oneDay) {
        if (journal.table.IsEmpty() || !journal.table.FindKey(day))
            throw std::runtime_error("No entry for " + args[1]);
        AppendEntryText(out, DecodeEntryDate(day), journal.journalEntry.BlobView());
    } else {
        for (journal.table.First(); !journal.table.Eof(); journal.table.Next()) {
            bad.Take([&] {
                AppendEntryText(out, DecodeEntryDate(journal.journalDate.AsDateTime()), journal.journalEntry.BlobView());
            });
            if (out.size() > (1u << 20)) {
                WriteOut(out);
                out.clear();
            }
        }
    }
    WriteOut(out);
    return bad.ExitCode();
}

int Search(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        throw UsageError{"expects JOURNAL TEXT [--from DATE] [--to DATE]"};
    DateRange range;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (!TakeDateRangeOption(args, i, range))
            throw UsageError{"unknown option " + args[i]};
    }
    const BodySearch search(QString::fromStdString(args[1]));
    RequireExistingFile(args[0]);
    JournalTable journal(args[0]);
    BadEntries bad(args[0]);
    // One pass over the file, a window of it at a time, while other threads search the
    // bodies already read: a large journal is never held whole.
    ParallelBodySearch searching(search);
    journal.table.Scan([&] {
        bad.Take([&] {
            const double date = journal.journalDate.AsDateTime();
            if (!range.Contains(date))
                return;
            searching.Add(date, journal.journalEntry.BlobView());
        });
    });
    const std::vector<double> found = searching.Finish();
    std::string out;
    for (const double date : found) {
        out += FormatIsoDate(DecodeEntryDate(date));
        out += '\n';
    }
    WriteOut(out);
    return bad.ExitCode();
}

const bool registered =
    RegisterCommand({"text", "JOURNAL [DATE]",
                     "each entry's date and plain text (or that day's only), in date order", Text}) &&
    RegisterCommand({"search", "JOURNAL TEXT [--from DATE] [--to DATE]",
                     "the dates of the entries whose text contains TEXT, ignoring case", Search});

} // namespace

} // namespace quill::tool
