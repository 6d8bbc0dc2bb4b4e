#include "storage/datetime.h"

#include "storage/errors.h"
#include "storage/rounding.h"

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace quill {

namespace {

// The double range within which rounding to a 64-bit integer is defined.
constexpr long double kInt64Limit = 9.2e18L;

[[noreturn]] void InvalidTimestamp(long long day, long long ms)
{
    throw TableError("'" + std::to_string(day) + "." + std::to_string(ms) + "' is not a valid timestamp");
}

// Days from 1970-01-01 of a civil date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate CivilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr std::int64_t kUnixEpochEntryDate = 25569; // 1970-01-01 as an entry date

} // namespace

double DateTimeToStoredMs(double entryDate)
{
    const long double n = RoundHalfEven(static_cast<long double>(entryDate) * kMsPerDay);
    if (!(std::fabs(n) < kInt64Limit))
        InvalidTimestamp(0, 0);
    const std::int64_t whole = static_cast<std::int64_t>(n);
    std::int64_t day;
    std::int64_t ms;
    if (whole >= 0) {
        day = kDaysBeforeEpoch + whole / kMsPerDay;
        ms = whole % kMsPerDay;
    } else {
        day = kDaysBeforeEpoch - (-whole) / kMsPerDay;
        ms = (-whole) % kMsPerDay;
    }
    if (day <= 0)
        InvalidTimestamp(day, ms);
    return static_cast<double>(day * kMsPerDay + ms);
}

double StoredMsToDateTime(double storedMs)
{
    const long double rounded = RoundHalfEven(storedMs);
    if (!(std::fabs(rounded) < kInt64Limit))
        InvalidTimestamp(0, 0);
    const std::int64_t n = static_cast<std::int64_t>(rounded);
    const std::int64_t day = n / kMsPerDay;
    const std::int64_t ms = n % kMsPerDay;
    if (day <= 0 || ms < 0)
        InvalidTimestamp(day, ms);
    const std::int64_t p = (day - kDaysBeforeEpoch) * kMsPerDay;
    return p >= 0 ? static_cast<double>(p + ms) / kMsPerDay : static_cast<double>(p - ms) / kMsPerDay;
}

double EncodeEntryDate(CivilDate date)
{
    return static_cast<double>(DaysFromCivil(date.year, static_cast<unsigned>(date.month),
                                             static_cast<unsigned>(date.day)) + kUnixEpochEntryDate);
}

CivilDate DecodeEntryDate(double entryDate)
{
    // The whole part is the day also for dates before 1899-12-30, whose fraction counts
    // forwards from that day like any other time of day.
    return CivilFromDays(static_cast<std::int64_t>(std::trunc(entryDate)) - kUnixEpochEntryDate);
}

int TimeOfDayMs(double entryDate)
{
    const long double fraction = std::fabs(static_cast<long double>(entryDate) - std::trunc(entryDate));
    return static_cast<int>(std::min<long double>(RoundHalfEven(fraction * kMsPerDay), kMsPerDay - 1));
}

std::string FormatIsoDate(CivilDate date)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

bool ParseIsoDate(const std::string& text, CivilDate& date)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return false;
    CivilDate parsed{std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)), std::stoi(text.substr(8, 2))};
    if (parsed.year < 1 || parsed.month < 1 || parsed.month > 12 || parsed.day < 1 || parsed.day > 31)
        return false;
    // An impossible day such as 02-30 does not survive the round trip.
    if (DecodeEntryDate(EncodeEntryDate(parsed)) != parsed)
        return false;
    date = parsed;
    return true;
}

} // namespace quill
