#include "platform/regional.h"

#include "storage/datetime.h"

#include <QLocale>

#include <cmath>

namespace quill {

QDate ToQDate(double entryDate)
{
    const CivilDate d = DecodeEntryDate(entryDate);
    return QDate(d.year, d.month, d.day);
}

double FromQDate(const QDate& date)
{
    return EncodeEntryDate({date.year(), date.month(), date.day()});
}

double Today()
{
    return FromQDate(QDate::currentDate());
}

QString FormatLongDay(double entryDate)
{
    const QDate date = ToQDate(entryDate);
    return QStringLiteral("%1 %2 %3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLocale().monthName(date.month(), QLocale::LongFormat))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString ShortDateFormat()
{
    return QLocale().dateFormat(QLocale::ShortFormat);
}

} // namespace quill
