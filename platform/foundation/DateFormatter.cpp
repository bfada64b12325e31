#include "foundation/DateFormatter.h"

#include "foundation/TimeZoneOffset.h"

#include <QtCore/QHash>
#include <QtCore/QMutex>

#include <cmath>

namespace kesvor::foundation {

namespace {

constexpr int maxDigits = 9;

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

using Text = QVarLengthArray<char16_t, 64>;

void append(Text& out, QStringView text)
{
    out.append(text.utf16(), text.size());
}

void appendPadded(Text& out, qint64 value, int width)
{
    char16_t digits[24];
    int start = int(std::size(digits));
    quint64 rest = value < 0 ? 0 - quint64(value) : quint64(value);
    do {
        digits[--start] = char16_t(u'0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (value < 0)
        out.append(u'-');
    for (int count = int(std::size(digits)) - start; count < width; ++count)
        out.append(u'0');
    out.append(digits + start, qsizetype(std::size(digits)) - start);
}

constexpr qint64 msecsPerDay = 86400000;
constexpr qint64 julianDayOfEpoch = 2440588;

qint64 msecsOf(const QDate& date, const QTime& time)
{
    return (date.toJulianDay() - julianDayOfEpoch) * msecsPerDay + time.msecsSinceStartOfDay();
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and
// back; years counted with a year 0 (1 BC). After H. Hinnant's
// "chrono-Compatible Low-Level Date Algorithms".
qint64 daysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct Civil {
    qint64 year;
    int month;
    int day;
};

Civil civilFromDays(qint64 days)
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

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
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

DateFormatter::DateFormatter(const QString& pattern, const QLocale& locale,
                             std::optional<QTimeZone> timeZone)
    : m_locale(locale)
{
    setTimeZone(std::move(timeZone));
    setDateFormat(pattern);
}

void DateFormatter::setDateFormat(const QString& pattern)
{
    // Formatters are made often and from few patterns: tokenize each once.
    static QMutex mutex;
    static QHash<QString, QList<Field>> cache;
    static const QList<Field> timestamp = tokenize(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSSZ"));
    m_pattern = pattern;
    const QMutexLocker lock(&mutex);
    const auto found = cache.constFind(pattern);
    if (found != cache.cend()) {
        m_fields = *found;
    } else {
        m_fields = tokenize(pattern);
        if (cache.size() < 64)
            cache.insert(pattern, m_fields);
    }
    m_timestamp = m_fields == timestamp;
}

void DateFormatter::setTimeZone(std::optional<QTimeZone> timeZone)
{
    m_timeZone = std::move(timeZone);
    m_utc = m_timeZone && m_timeZone->id() == QByteArrayLiteral("UTC");
}

QList<DateFormatter::Field> DateFormatter::tokenize(const QString& pattern)
{
    QList<Field> fields;
    auto appendLiteral = [&fields](const QString& text) {
        if (text.isEmpty())
            return;
        if (!fields.isEmpty() && fields.last().letter == 0)
            fields.last().literal += text;
        else
            fields.append(Field{0, 0, text});
    };
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                appendLiteral(QStringLiteral("'"));
                i += 2;
                continue;
            }
            const qsizetype end = pattern.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            appendLiteral(pattern.mid(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (!isAsciiLetter(c)) {
            appendLiteral(QString(c));
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        static const QString known = QStringLiteral("yMLdHhKkmsSaZXx");
        if (known.contains(c))
            fields.append(Field{c.unicode(), int(run), {}});
        else
            appendLiteral(pattern.mid(i, run));
        i += run;
    }
    return fields;
}

bool DateFormatter::isNumeric(const Field& field)
{
    switch (field.letter) {
    case u'M':
    case u'L':
        return field.count <= 2;
    case u'y':
    case u'd':
    case u'H':
    case u'h':
    case u'K':
    case u'k':
    case u'm':
    case u's':
    case u'S':
        return true;
    default:
        return false;
    }
}

DateFormatter::Local DateFormatter::local(const QDateTime& date) const
{
    const qint64 msecs = date.toMSecsSinceEpoch();
    const int offset = m_utc ? 0 : TimeZoneOffset::secondsFromUtc(msecs, m_timeZone);
    const qint64 shifted = msecs + qint64(offset) * 1000;
    qint64 days = shifted / msecsPerDay;
    qint64 rest = shifted % msecsPerDay;
    if (rest < 0) {
        rest += msecsPerDay;
        --days;
    }
    const Civil civil = civilFromDays(days);
    const int msecOfDay = int(rest);
    return {int(civil.year <= 0 ? civil.year - 1 : civil.year),
            civil.month,
            civil.day,
            msecOfDay / 3600000,
            msecOfDay / 60000 % 60,
            msecOfDay / 1000 % 60,
            msecOfDay % 1000,
            offset};
}

QString DateFormatter::stringFromDate(const QDateTime& date) const
{
    if (!date.isValid())
        return {};
    const Local fields = local(date);
    Text out;
    for (const Field& field : m_fields)
        appendField(out, field, fields);
    return QString(reinterpret_cast<const QChar*>(out.constData()), out.size());
}

void DateFormatter::appendField(Text& out, const Field& field, const Local& local) const
{
    switch (field.letter) {
    case 0:
        append(out, field.literal);
        break;
    case u'y':
        appendPadded(out, field.count == 2 ? local.year % 100 : local.year, field.count);
        break;
    case u'M':
    case u'L':
        if (field.count <= 2)
            appendPadded(out, local.month, field.count);
        else
            append(out, m_locale.monthName(local.month, field.count == 3 ? QLocale::ShortFormat
                                                                         : QLocale::LongFormat));
        break;
    case u'd':
        appendPadded(out, local.day, field.count);
        break;
    case u'H':
        appendPadded(out, local.hour, field.count);
        break;
    case u'k':
        appendPadded(out, local.hour == 0 ? 24 : local.hour, field.count);
        break;
    case u'h':
        appendPadded(out, local.hour % 12 == 0 ? 12 : local.hour % 12, field.count);
        break;
    case u'K':
        appendPadded(out, local.hour % 12, field.count);
        break;
    case u'm':
        appendPadded(out, local.minute, field.count);
        break;
    case u's':
        appendPadded(out, local.second, field.count);
        break;
    case u'S': {
        // Milliseconds as a fraction: cut to the field's digits, or padded with zeros.
        Text fraction;
        appendPadded(fraction, local.msec, 3);
        out.append(fraction.constData(), std::min<qsizetype>(field.count, 3));
        for (int digit = 3; digit < field.count; ++digit)
            out.append(u'0');
        break;
    }
    case u'a':
        append(out, local.hour < 12 ? m_locale.amText() : m_locale.pmText());
        break;
    case u'Z':
        append(out, TimeZoneOffset::text(local.offset, field.count));
        break;
    case u'X':
    case u'x':
        append(out, TimeZoneOffset::isoText(local.offset, field.count, field.letter == u'X'));
        break;
    default:
        break;
    }
}

std::optional<QDateTime> DateFormatter::dateFromString(QStringView text) const
{
    if (m_timestamp)
        if (auto instant = parseTimestamp(text))
            return instant;
    Parsed parsed;
    qsizetype pos = 0;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const Field& field = m_fields[i];
        const bool fixedWidth =
            isNumeric(field) && ((i + 1 < m_fields.size() && isNumeric(m_fields[i + 1])) ||
                                 (i > 0 && isNumeric(m_fields[i - 1])));
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
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0)
        return std::nullopt;
    qsizetype pos = zoneStart;
    const auto offset = TimeZoneOffset::parse(text, pos);
    if (!offset || pos != text.size())
        return std::nullopt;
    const qint64 msecs = daysFromCivil(year, month, day) * msecsPerDay +
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
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(result.toMSecsSinceEpoch(), Qt::UTC);
}

} // namespace kesvor::foundation
