#pragma once

#include "storage/datetime.h"

#include <cstdint>
#include <string>

namespace quill::bench {

struct JournalShape {
    int days = 3650;
    int pictureEvery = 0;      // every n-th day carries a picture; 0 for none
    std::uint64_t seed = 1;
    CivilDate lastDay{2026, 12, 10};
    int pictureBytes = 56000;  // size of the PNG before it is written as hex
};

// One day's body: RTF as the editor writes it, about 5 kB of formatted text, with a PNG
// picture when `withPicture` is set.
std::string GenerateBody(std::uint64_t seed, bool withPicture, int pictureBytes);

// One long entry of at least `bytes`: generated days one after another in one document, with
// a picture of `pictureBytes` in each when that is not 0.
std::string GenerateEntry(std::size_t bytes, int pictureBytes);

// Writes a journal of consecutive days ending at `lastDay` through the table engine, with
// the rows stored mostly in date order and about one in ten written later, as days filled
// in afterwards are.
void GenerateJournal(const std::string& path, const JournalShape& shape);

// The 20-year journal (7,300 days, a picture every tenth day) ending today, made in `folder`
// the first time it is asked for on a day and kept there; returns its path.
std::string TwentyYearJournalUntilToday(const std::string& folder);

} // namespace quill::bench
