#include "foundation/DateFormatter.h"

#include "foundation/CivilDate.h"
#include "foundation/TimeZoneOffset.h"

#include <algorithm>

namespace kesvor::foundation {

namespace {

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

} // namespace

DateFormatter::DateFormatter(const QString& pattern, const QLocale& locale,
                             std::optional<QTimeZone> timeZone)
    : m_locale(locale)
{
    setTimeZone(std::move(timeZone));
    setDateFormat(pattern);
}

void DateFormatter::setDateFormat(const QString& pattern)
{
    m_pattern = pattern;
    m_tokens = DatePattern(pattern);
}

void DateFormatter::setTimeZone(std::optional<QTimeZone> timeZone)
{
    m_timeZone = std::move(timeZone);
    m_utc = m_timeZone && m_timeZone->id() == QByteArrayLiteral("UTC");
}

DateFormatter::Local DateFormatter::local(const QDateTime& date) const
{
    constexpr qint64 msecsPerDay = CivilDate::msecsPerDay;
    const qint64 msecs = date.toMSecsSinceEpoch();
    const int offset = m_utc ? 0 : TimeZoneOffset::secondsFromUtc(msecs, m_timeZone);
    const qint64 shifted = msecs + qint64(offset) * 1000;
    qint64 days = shifted / msecsPerDay;
    qint64 rest = shifted % msecsPerDay;
    if (rest < 0) {
        rest += msecsPerDay;
        --days;
    }
    const CivilDate civil = CivilDate::fromDaysSinceEpoch(days);
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
    for (const Field& field : m_tokens.fields())
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

} // namespace kesvor::foundation
