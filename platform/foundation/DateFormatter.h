#pragma once

#include "foundation/DatePattern.h"

#include <QtCore/QDateTime>
#include <QtCore/QLocale>
#include <QtCore/QString>
#include <QtCore/QTimeZone>
#include <QtCore/QVarLengthArray>

#include <optional>

namespace kesvor::foundation {

/// Converts between instants and text with a Unicode date-format pattern
/// ("yyyy-MM-dd'T'HH:mm:ss.SSSZ", "hh:mm a", "d MMM, yyyy", ...), in a locale
/// and a time zone.
///
/// Supported fields: y (yy = two-digit year), M (MMM/MMMM month names),
/// d, H, h, K, k, m, s, S (fraction of a second), a (AM/PM text of the locale),
/// Z (ZZZZZ and X also write "Z" for UTC) and quoted literals ('T', '' for a
/// quote). Other letters are literals. Digits are always ASCII and the calendar
/// is always Gregorian.
///
/// Parsing is strict: the whole text must match the pattern; numeric fields
/// that touch another numeric field take exactly the pattern's width. A zone
/// field accepts "Z", "GMT", "UTC", "+HH", "+HHMM", "+HH:MM" and "GMT+HH:MM".
/// A const formatter may be used from several threads at once.
class DateFormatter {
public:
    /// Device locale and time zone, empty pattern.
    DateFormatter() = default;
    DateFormatter(const QString& pattern, const QLocale& locale,
                  std::optional<QTimeZone> timeZone = std::nullopt);

    /// The fixed locale for machine-readable dates ("en_US_POSIX").
    static QLocale posixLocale() { return QLocale::c(); }

    QString dateFormat() const { return m_pattern; }
    void setDateFormat(const QString& pattern);

    QLocale locale() const { return m_locale; }
    void setLocale(const QLocale& locale) { m_locale = locale; }

    /// Nothing means the device's time zone at the moment of use.
    std::optional<QTimeZone> timeZone() const { return m_timeZone; }
    void setTimeZone(std::optional<QTimeZone> timeZone);

    /// The text of date, or an empty string for an invalid date.
    QString stringFromDate(const QDateTime& date) const;

    /// The instant the text denotes (in UTC), or nothing when it does not
    /// match the pattern or names no valid date.
    std::optional<QDateTime> dateFromString(QStringView text) const;

private:
    using Field = DatePattern::Field;
    struct Parsed;
    // The wall-clock fields of an instant in the formatter's zone.
    struct Local {
        int year = 1970; // as QDate counts them: no year 0
        int month = 1;
        int day = 1;
        int hour = 0;
        int minute = 0;
        int second = 0;
        int msec = 0;
        int offset = 0;
    };

    Local local(const QDateTime& date) const;
    // Text is put together in place and becomes a QString once.
    using Text = QVarLengthArray<char16_t, 64>;
    void appendField(Text& out, const Field& field, const Local& local) const;
    bool parseField(QStringView text, qsizetype& pos, const Field& field, bool fixedWidth,
                    Parsed& parsed) const;
    std::optional<QDateTime> assemble(const Parsed& parsed) const;
    static std::optional<QDateTime> parseTimestamp(QStringView text);

    QString m_pattern;
    // For the timestamp pattern, text in its usual shape is read by a parser
    // made for it.
    DatePattern m_tokens;
    QLocale m_locale;
    std::optional<QTimeZone> m_timeZone;
    bool m_utc = false;
};

} // namespace kesvor::foundation
