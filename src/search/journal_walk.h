#pragma once

#include "storage/memtable.h"

#include <cstddef>
#include <string_view>

namespace quill {

// The journal table as the search reads it: the table and its two fields.
struct JournalAccess {
    MemTable* table = nullptr;
    Field* journalDate = nullptr;
    Field* journalEntry = nullptr;
};

// A walk over the journal's rows in date order that keeps its own place. The table has one
// cursor, which the main window moves between the walk's steps; the walk remembers its
// row by date (and by how many rows of the same date it passed) and finds it again.
class JournalWalk {
public:
    explicit JournalWalk(const JournalAccess& journal);

    // Goes to the first row. Rows whose date is no day (damaged ones) are passed over.
    void Start();
    // Puts the table's cursor back on the walk's row; call before reading after others may
    // have moved it.
    void Resume();

    bool AtEnd() const { return atEnd_; }
    // The row's date and body; the body is valid until the table's cursor moves.
    double Date() const { return date_; }
    std::string_view Body() const;
    // The date of the last row reached, also once the walk is past it.
    double LastDate() const { return date_; }

    void Advance();

private:
    void ReadRow();

    JournalAccess journal_;
    bool atEnd_ = true;
    double date_ = 0;
    std::size_t sameDateBefore_ = 0; // rows of this date the walk passed before this one
};

} // namespace quill
