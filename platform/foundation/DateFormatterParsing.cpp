// Reading instants back from text: the general parser that follows the
// pattern field by field, and a fast one for timestamps in their usual shape.
#include "foundation/DateFormatter.h"

#include "foundation/CivilDate.h"
#include "foundation/TimeZoneOffset.h"

#include <QtCore/QStringList>
#include <QtCore/QTimeZone>

#include <algorithm>
#include <cmath>

namespace kesvor::foundation {

namespace {

constexpr int maxDigits = 9;

constexpr qint64 julianDayOfEpoch = 2440588;

// A local time the clocks skipped (daylight saving starting at midnight, say)
// stands for the moment the clocks jumped: the first one after the gap.
std::optional<QDateTime> firstMomentAfterGap(qint64 wallMsecs, const QTimeZone& zone)
{
    constexpr qint64 dayMsecs = 24 * 3600 * 1000;
    if (!zone.isValid())
        return std::nullopt;
    // A day before the wall time, as an instant, lies before the jump.
    const QDateTime dayBefore = QDateTime::fromMSecsSinceEpoch(wallMsecs - dayMsecs, Qt::UTC);
    const qint64 before = wallMsecs - zone.offsetFromUtc(dayBefore) * 1000LL;
    const QTimeZone::OffsetData jump =
        zone.nextTransition(QDateTime::fromMSecsSinceEpoch(before - dayMsecs, Qt::UTC));
    if (!jump.atUtc.isValid() || jump.atUtc.toMSecsSinceEpoch() > before)
        return std::nullopt;
    return jump.atUtc.toUTC();
}

qint64 msecsOf(const QDate& date, const QTime& time)
{
    return (date.toJulianDay() - julianDayOfEpoch) * CivilDate::msecsPerDay +
           time.msecsSinceStartOfDay();
}

// The number in the ASCII digits text[at, at + count), or -1.
int fixedDigits(QStringView text, qsizetype at, int count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// Reads up to maxCount ASCII digits (at least minCount) as a number.
std::optional<qint64> readDigits(QStringView text, qsizetype& pos, int minCount, int maxCount,
                                 int* count = nullptr)
{
    qint64 value = 0;
    int read = 0;
    while (read < maxCount && pos + read < text.size() && text[pos + read] >= u'0' &&
           text[pos + read] <= u'9') {
        value = value * 10 + (text[pos + read].unicode() - u'0');
        ++read;
    }
    if (read < minCount)
        return std::nullopt;
    pos += read;
    if (count)
        *count = read;
    return value;
}

// Matches one of candidates (case-insensitive) at pos; returns its index.
int readChoice(QStringView text, qsizetype& pos, const QStringList& candidates)
{
    int best = -1;
    qsizetype bestLength = 0;
    for (int i = 0; i < candidates.size(); ++i) {
        const QString& candidate = candidates[i];
        if (candidate.isEmpty() || candidate.size() <= bestLength)
            continue;
        if (text.mid(pos).startsWith(candidate, Qt::CaseInsensitive)) {
            best = i;
            bestLength = candidate.size();
        }
    }
    if (best >= 0)
        pos += bestLength;
    return best;
}

} // namespace

struct DateFormatter::Parsed {
    int year = 1970;
    bool twoDigitYear = false;
    int month = 1;
    int day = 1;
    int hour = 0;
    int hourLetter = 'H';
    std::optional<bool> pm;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    std::optional<int> offsetSeconds;
};

std::optional<QDateTime> DateFormatter::dateFromString(QStringView text) const
{
    if (m_tokens.isTimestamp())
        if (auto instant = parseTimestamp(text))
            return instant;
    const QList<Field>& fields = m_tokens.fields();
    Parsed parsed;
    qsizetype pos = 0;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const Field& field = fields[i];
        const bool fixedWidth =
            field.isNumeric() && ((i + 1 < fields.size() && fields[i + 1].isNumeric()) ||
                                  (i > 0 && fields[i - 1].isNumeric()));
        if (!parseField(text, pos, field, fixedWidth, parsed))
            return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;
    return assemble(parsed);
}

bool DateFormatter::parseField(QStringView text, qsizetype& pos, const Field& field,
                               bool fixedWidth, Parsed& parsed) const
{
    if (field.letter == 0) {
        if (!text.mid(pos).startsWith(field.literal))
            return false;
        pos += field.literal.size();
        return true;
    }
    const int minimum = fixedWidth ? field.count : 1;
    const int maximum = fixedWidth ? field.count : maxDigits;
    auto number = [&](int maxWidth, int* count = nullptr) {
        return readDigits(text, pos, minimum, std::min(maximum, maxWidth), count);
    };
    std::optional<qint64> value;
    switch (field.letter) {
    case u'y':
        if (field.count == 2) {
            value = readDigits(text, pos, 2, 2);
            parsed.twoDigitYear = true;
        } else {
            value = number(maxDigits);
        }
        parsed.year = int(value.value_or(0));
        break;
    case u'M':
    case u'L':
        if (field.count <= 2) {
            value = number(2);
            parsed.month = int(value.value_or(0));
            break;
        } else {
            QStringList names;
            for (int month = 1; month <= 12; ++month)
                names << m_locale.monthName(month, field.count == 3 ? QLocale::ShortFormat
                                                                    : QLocale::LongFormat);
            const int index = readChoice(text, pos, names);
            parsed.month = index + 1;
            return index >= 0;
        }
    case u'd':
        value = number(2);
        parsed.day = int(value.value_or(0));
        break;
    case u'H':
    case u'h':
    case u'K':
    case u'k':
        value = number(2);
        parsed.hour = int(value.value_or(0));
        parsed.hourLetter = field.letter;
        break;
    case u'm':
        value = number(2);
        parsed.minute = int(value.value_or(0));
        break;
    case u's':
        value = number(2);
        parsed.second = int(value.value_or(0));
        break;
    case u'S': {
        int digits = 0;
        value = number(maxDigits, &digits);
        if (value) // keep milliseconds, drop finer digits
            parsed.millisecond = int(*value * 1000 / qint64(std::pow(10, digits)));
        break;
    }
    case u'a': {
        const int index = readChoice(text, pos, {m_locale.amText(), m_locale.pmText()});
        if (index < 0)
            return false;
        parsed.pm = index == 1;
        return true;
    }
    case u'Z':
    case u'X':
    case u'x':
        parsed.offsetSeconds = TimeZoneOffset::parse(text, pos);
        return parsed.offsetSeconds.has_value();
    default:
        return false;
    }
    return value.has_value();
}

// Text of the timestamp pattern in the shape it is always written in: every
// number with as many digits as the pattern has letters for it, then a zone.
// Other text, which the pattern may still match, is left to the general
// parser; text of this shape gives the same instant as it would there.
std::optional<QDateTime> DateFormatter::parseTimestamp(QStringView text)
{
    constexpr qsizetype zoneStart = 23;
    if (text.size() <= zoneStart || text[4] != u'-' || text[7] != u'-' || text[10] != u'T' ||
        text[13] != u':' || text[16] != u':' || text[19] != u'.')
        return std::nullopt;
    const int year = fixedDigits(text, 0, 4);
    const int month = fixedDigits(text, 5, 2);
    const int day = fixedDigits(text, 8, 2);
    const int hour = fixedDigits(text, 11, 2);
    const int minute = fixedDigits(text, 14, 2);
    const int second = fixedDigits(text, 17, 2);
    const int millisecond = fixedDigits(text, 20, 3);
    if (year < 1 || month < 1 || month > 12 || day < 1 ||
        day > CivilDate::daysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59 || millisecond < 0)
        return std::nullopt;
    qsizetype pos = zoneStart;
    const auto offset = TimeZoneOffset::parse(text, pos);
    if (!offset || pos != text.size())
        return std::nullopt;
    const qint64 msecs = CivilDate::daysSinceEpoch(year, month, day) * CivilDate::msecsPerDay +
                         ((hour * 60 + minute) * 60 + second) * 1000 + millisecond -
                         qint64(*offset) * 1000;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

std::optional<QDateTime> DateFormatter::assemble(const Parsed& parsed) const
{
    int year = parsed.year;
    if (parsed.twoDigitYear) {
        // The century that puts the year within 80 years before and 20 after now.
        const int now = QDate::currentDate().year();
        year += (now / 100) * 100;
        if (year > now + 20)
            year -= 100;
    }
    int hour = parsed.hour;
    switch (parsed.hourLetter) {
    case 'h':
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour %= 12;
        break;
    case 'K':
        if (hour > 11)
            return std::nullopt;
        break;
    case 'k':
        if (hour < 1 || hour > 24)
            return std::nullopt;
        hour %= 24;
        break;
    default:
        if (hour > 23)
            return std::nullopt;
    }
    if (parsed.pm && hour < 12 && *parsed.pm)
        hour += 12;
    const QDate date(year, parsed.month, parsed.day);
    const QTime time(hour, parsed.minute, parsed.second, parsed.millisecond);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    if (parsed.offsetSeconds || m_utc) {
        const qint64 offset = parsed.offsetSeconds.value_or(0);
        return QDateTime::fromMSecsSinceEpoch(msecsOf(date, time) - offset * 1000, Qt::UTC);
    }
    const QDateTime result =
        m_timeZone ? QDateTime(date, time, *m_timeZone) : QDateTime(date, time);
    if (!result.isValid())
        return firstMomentAfterGap(msecsOf(date, time),
                                   m_timeZone ? *m_timeZone : QTimeZone::systemTimeZone());
    return QDateTime::fromMSecsSinceEpoch(result.toMSecsSinceEpoch(), Qt::UTC);
}

} // namespace kesvor::foundation
