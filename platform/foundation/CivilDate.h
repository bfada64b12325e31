#pragma once

#include <QtCore/QtGlobal>

namespace kesvor::foundation {

/// A day of the proleptic Gregorian calendar, years counted with a year 0
/// (1 BC), and its distance in days from 1970-01-01. Inline: formatting and
/// parsing timestamps runs through it for every message stored.
///
/// The conversions follow H. Hinnant's "chrono-Compatible Low-Level Date
/// Algorithms".
struct CivilDate {
    static constexpr qint64 msecsPerDay = 86400000;

    qint64 year;
    int month;
    int day;

    static qint64 daysSinceEpoch(qint64 year, int month, int day)
    {
        year -= month <= 2;
        const qint64 era = (year >= 0 ? year : year - 399) / 400;
        const qint64 yearOfEra = year - era * 400;
        const qint64 dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
        const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
        return era * 146097 + dayOfEra - 719468;
    }

    static CivilDate fromDaysSinceEpoch(qint64 days)
    {
        days += 719468;
        const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
        const qint64 dayOfEra = days - era * 146097;
        const qint64 yearOfEra =
            (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
        const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
        const qint64 shiftedMonth = (5 * dayOfYear + 2) / 153;
        const int day = int(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
        const int month = int(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
        return {yearOfEra + era * 400 + (month <= 2), month, day};
    }

    static bool isLeapYear(int year)
    {
        return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    }

    static int daysInMonth(int year, int month)
    {
        static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
    }
};

} // namespace kesvor::foundation
