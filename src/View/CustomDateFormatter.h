#pragma once

#include "foundation/DateFormatter.h"

namespace kesvor {

/// The date formats of the conversation, made fresh wherever they are needed.
struct CustomDateFormatter {
    CustomDateFormatter();

    /// "createdOn" on the wire: "yyyy-MM-dd'T'HH:mm:ss.SSSZ", "en_US_POSIX", GMT.
    foundation::DateFormatter RFC3339DateFormatter;
    /// The day key of a message, "yyyy-MM-dd" in the device's locale and time zone.
    foundation::DateFormatter onlyDateStringFormatter;
};

} // namespace kesvor
