#pragma once

#include <QDate>
#include <QString>

namespace quill {

// Dates as the regional settings show them. The locale is QLocale()'s, which is the
// system's unless a test sets another default.

QDate ToQDate(double entryDate);
double FromQDate(const QDate& date);
// Today's local calendar date as a whole-day entry date.
double Today();

// "dd mmmm yyyy": two-digit day, the month's full name in the user's language, four-digit year.
QString FormatLongDay(double entryDate);
// The short date format of the regional settings, as a QDateTime format string.
QString ShortDateFormat();

} // namespace quill
