#include "foundation/TimeZoneOffset.h"

#include <QtCore/QDateTime>

#include <cstdlib>
#include <limits>
#include <string>

namespace kesvor::foundation {

namespace {

// The device's zone, looked up once per TZ setting and thread; nothing when
// Qt cannot read it (the C library then converts).
const std::optional<QTimeZone>& deviceZone()
{
    thread_local std::string cachedSetting = "\x01";
    thread_local std::optional<QTimeZone> cached;
    const char* tz = std::getenv("TZ");
    const char* setting = tz ? tz : "\x02";
    if (cachedSetting != setting) {
        cachedSetting = setting;
        const QTimeZone zone = QTimeZone::systemTimeZone();
        cached = zone.isValid() ? std::optional(zone) : std::nullopt;
    }
    return cached;
}

QString twoDigits(int value)
{
    return QString::number(value).rightJustified(2, u'0');
}

int readTwoDigits(QStringView text, qsizetype& pos, int minimum)
{
    int value = 0;
    int read = 0;
    while (read < 2 && pos < text.size() && text[pos].isDigit() && text[pos].unicode() < 128) {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++read;
    }
    return read >= minimum ? value : -1;
}

} // namespace

int TimeZoneOffset::secondsFromUtc(qint64 msecsSinceEpoch, const std::optional<QTimeZone>& zone)
{
    const std::optional<QTimeZone>& effective = zone ? zone : deviceZone();
    if (!effective) {
        const QDateTime instant = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC);
        return instant.toLocalTime().offsetFromUtc();
    }
    // Consecutive instants mostly fall between the same two transitions of
    // the zone: remember that span and its offset.
    struct Span {
        QByteArray zone;
        qint64 from = 0;
        qint64 to = 0;
        int offset = 0;
    };
    thread_local Span span;
    const QByteArray id = effective->id();
    if (span.zone == id && msecsSinceEpoch >= span.from && msecsSinceEpoch < span.to)
        return span.offset;
    const QDateTime instant = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC);
    const QTimeZone::OffsetData next = effective->nextTransition(instant);
    span.zone = id;
    span.from = msecsSinceEpoch;
    span.to =
        next.atUtc.isValid() ? next.atUtc.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
    span.offset = effective->offsetFromUtc(instant);
    return span.offset;
}

QString TimeZoneOffset::text(int offsetSeconds, int count)
{
    const QChar sign = offsetSeconds < 0 ? u'-' : u'+';
    const int minutes = std::abs(offsetSeconds) / 60;
    const QString hh = twoDigits(minutes / 60);
    const QString mm = twoDigits(minutes % 60);
    if (count <= 3)
        return sign + hh + mm;
    if (count == 4)
        return offsetSeconds == 0 ? QStringLiteral("GMT")
                                  : QStringLiteral("GMT") + sign + hh + u':' + mm;
    return offsetSeconds == 0 ? QStringLiteral("Z") : sign + hh + u':' + mm;
}

QString TimeZoneOffset::isoText(int offsetSeconds, int count, bool zForUtc)
{
    if (zForUtc && offsetSeconds == 0)
        return QStringLiteral("Z");
    const QString full = offsetSeconds == 0 ? QStringLiteral("+00:00") : text(offsetSeconds, 5);
    if (count == 1)
        return full.left(3);
    if (count == 2 || count == 4)
        return full.left(3) + full.mid(4);
    return full;
}

std::optional<int> TimeZoneOffset::parse(QStringView text, qsizetype& pos)
{
    const QStringView rest = text.mid(pos);
    if (rest.startsWith(u'Z')) {
        ++pos;
        return 0;
    }
    const bool named = rest.startsWith(u"GMT") || rest.startsWith(u"UTC");
    if (named)
        pos += 3;
    if (pos >= text.size() || (text[pos] != u'+' && text[pos] != u'-'))
        return named ? std::optional<int>(0) : std::nullopt;
    const int sign = text[pos] == u'-' ? -1 : 1;
    ++pos;
    const qsizetype hourStart = pos;
    const int hours = readTwoDigits(text, pos, 1);
    if (hours < 0)
        return std::nullopt;
    int minutes = 0;
    if (pos < text.size() && text[pos] == u':') {
        ++pos;
        minutes = readTwoDigits(text, pos, 2);
    } else if (pos - hourStart == 2 && pos < text.size() && text[pos].isDigit()) {
        minutes = readTwoDigits(text, pos, 2);
    }
    if (minutes < 0 || hours > 18 || minutes > 59)
        return std::nullopt;
    return sign * (hours * 3600 + minutes * 60);
}

} // namespace kesvor::foundation
