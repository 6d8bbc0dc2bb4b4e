#include "search/journal_walk.h"

namespace quill {

JournalWalk::JournalWalk(const JournalAccess& journal) : journal_(journal) {}

void JournalWalk::Start()
{
    journal_.table->First();
    sameDateBefore_ = 0;
    atEnd_ = journal_.table->Eof();
    if (!atEnd_)
        ReadRow();
}

void JournalWalk::ReadRow()
{
    date_ = journal_.journalDate->AsDateTime();
}

void JournalWalk::Resume()
{
    if (atEnd_)
        return;
    MemTable& table = *journal_.table;
    // Rows are added and changed but never removed, and a stored row keeps its date, so the
    // row is there. A stored value that is no whole millisecond is not found by a lookup of
    // its date as read; a walk from the start finds it.
    if (!table.FindKey(date_))
        for (table.First(); !table.Eof() && journal_.journalDate->AsDateTime() < date_;)
            table.Next();
    for (std::size_t i = 0; i < sameDateBefore_ && !table.Eof(); ++i)
        table.Next();
    atEnd_ = table.Eof();
}

std::string_view JournalWalk::Body() const
{
    return journal_.journalEntry->BlobView();
}

void JournalWalk::Advance()
{
    MemTable& table = *journal_.table;
    table.Next();
    if (table.Eof()) {
        atEnd_ = true; // Date() stays on the last row
        return;
    }
    const double previous = date_;
    ReadRow();
    sameDateBefore_ = date_ == previous ? sameDateBefore_ + 1 : 0;
}

} // namespace quill
