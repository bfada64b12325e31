#include "Kesvor/PlatformInfo.h"

#include <QtCore/QSysInfo>

namespace kesvor {

QVariantMap PlatformInfo::info()
{
    return {
        {QStringLiteral("browserName"), QSysInfo::prettyProductName()},
        {QStringLiteral("majorVersion"), QSysInfo::productVersion()},
        {QStringLiteral("OSName"), QSysInfo::productType()},
    };
}

} // namespace kesvor
