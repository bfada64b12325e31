#pragma once

#include "foundation/DateFormatter.h"

#include <QtCore/QString>

#include <optional>

namespace kesvor {

/// The date formats of the conversation, made fresh wherever they are needed.
struct CustomDateFormatter {
    CustomDateFormatter();

    /// "createdOn" on the wire: "yyyy-MM-dd'T'HH:mm:ss.SSSZ", "en_US_POSIX", GMT.
    foundation::DateFormatter RFC3339DateFormatter;
    /// The day key of a message, "yyyy-MM-dd" in the device's locale and time zone.
    foundation::DateFormatter onlyDateStringFormatter;
    /// The time under a bubble, "hh:mm a" in the device's locale and time zone.
    foundation::DateFormatter timeFormatter;
    /// The title of a day older than yesterday, "d MMM, yyyy" (5 Mar, 2017).
    foundation::DateFormatter sectionDateFormatter;

    /// The title of the section of a day key: "Today" or "Yesterday" by the
    /// network clock's current day in the device's time zone, otherwise the
    /// day in sectionDateFormatter's form. Nothing for a key that is not a
    /// "yyyy-MM-dd" day.
    std::optional<QString> sectionDateString(const QString& dateString) const;
};

} // namespace kesvor
