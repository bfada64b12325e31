#include "View/CustomDateFormatter.h"

#include "foundation/TimeZoneOffset.h"
#include "net/NHNetworkClock.h"

#include <QtCore/QTimeZone>

namespace kesvor {

namespace {

// The calendar day an instant falls on in the given zone (the device's when none).
QDate dayOf(const QDateTime& instant, const std::optional<QTimeZone>& zone)
{
    const qint64 msecs = instant.toMSecsSinceEpoch();
    const int offset = foundation::TimeZoneOffset::secondsFromUtc(msecs, zone);
    return QDateTime::fromMSecsSinceEpoch(msecs + qint64(offset) * 1000, Qt::UTC).date();
}

} // namespace

CustomDateFormatter::CustomDateFormatter()
    : RFC3339DateFormatter(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSSZ"),
                           foundation::DateFormatter::posixLocale(), QTimeZone::utc())
    , onlyDateStringFormatter(QStringLiteral("yyyy-MM-dd"), QLocale())
    , timeFormatter(QStringLiteral("hh:mm a"), QLocale())
    , sectionDateFormatter(QStringLiteral("d MMM, yyyy"), QLocale())
{
}

std::optional<QString> CustomDateFormatter::sectionDateString(const QString& dateString) const
{
    const auto date = onlyDateStringFormatter.dateFromString(dateString);
    if (!date)
        return std::nullopt;
    const auto zone = onlyDateStringFormatter.timeZone();
    const QDate day = dayOf(*date, zone);
    // Today follows the network clock, so a wrong device clock cannot mislabel days.
    const QDate today = dayOf(net::networkDate(), zone);
    if (day == today)
        return QStringLiteral("Today");
    // The calendar's previous day, also across the start of a month or year.
    if (day == today.addDays(-1))
        return QStringLiteral("Yesterday");
    return sectionDateFormatter.stringFromDate(*date);
}

} // namespace kesvor
