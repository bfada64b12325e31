#pragma once

#include <QtCore/QString>
#include <QtCore/QStringView>
#include <QtCore/QTimeZone>

#include <optional>

namespace kesvor::foundation {

/// Offsets of time zones from UTC, and their text forms in date patterns.
class TimeZoneOffset {
public:
    /// Seconds ahead of UTC at the instant, in zone, or in the device's zone
    /// when there is none (the zone named by TZ, else the system's; looked up
    /// again whenever TZ changes).
    static int secondsFromUtc(qint64 msecsSinceEpoch, const std::optional<QTimeZone>& zone);

    /// "+HHMM" (count 1 to 3), "GMT+HH:MM" or "GMT" (4), "+HH:MM" or "Z" (5).
    static QString text(int offsetSeconds, int count);
    /// ISO 8601: "+HH" (count 1), "+HHMM" (2, 4), "+HH:MM" (3, 5); "Z" for UTC when zForUtc.
    static QString isoText(int offsetSeconds, int count, bool zForUtc);

    /// Reads "Z", "GMT", "UTC", "+HH", "+HHMM", "+HH:MM" or "GMT+HH:MM" at pos.
    static std::optional<int> parse(QStringView text, qsizetype& pos);
};

} // namespace kesvor::foundation
