#include "CustomDateFormatter.h"

#include <QtCore/QTimeZone>

namespace kesvor {

CustomDateFormatter::CustomDateFormatter()
    : RFC3339DateFormatter(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSSZ"),
                           foundation::DateFormatter::posixLocale(), QTimeZone::utc())
    , onlyDateStringFormatter(QStringLiteral("yyyy-MM-dd"), QLocale())
{
}

} // namespace kesvor
