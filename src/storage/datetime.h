#pragma once

#include <cstdint>
#include <string>

namespace quill {

// Entry dates are days since 1899-12-30 as a double, the fraction being the time of day.
// Tables store them as a double count of milliseconds since 0001-01-01 minus one day.

inline constexpr std::int64_t kMsPerDay = 86400000;
inline constexpr std::int64_t kDaysBeforeEpoch = 693594; // day number of 1899-12-30, day 1 = 0001-01-01

// Stored milliseconds of an entry date; fails with "'%d.%d' is not a valid timestamp".
double DateTimeToStoredMs(double entryDate);
// Entry date of stored milliseconds; fails with "'%d.%d' is not a valid timestamp".
double StoredMsToDateTime(double storedMs);

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// Whole-day entry date of a proleptic Gregorian date, and back (the fraction is dropped).
double EncodeEntryDate(CivilDate date);
CivilDate DecodeEntryDate(double entryDate);
// Milliseconds since midnight of an entry date's time of day.
int TimeOfDayMs(double entryDate);

// "YYYY-MM-DD"; parses only that exact form. Returns false on anything else or an
// impossible date.
std::string FormatIsoDate(CivilDate date);
bool ParseIsoDate(const std::string& text, CivilDate& date);

} // namespace quill
