#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace kesvor {

/// The build-time constants, with the development overrides taken from the
/// environment (KESVOR_SERVICE_URL, KESVOR_REACHABILITY_HOST,
/// KESVOR_NTP_SERVERS, KESVOR_DATA_DIR). Nothing else is configured at run time.
class KesvorConfiguration {
public:
    /// The service origin without a trailing slash.
    static QString serviceBaseUrl();
    static QString reachabilityHost();
    static QStringList ntpServers();
    /// Where the SDK keeps its files; empty means the platform's default places.
    static QString dataDirectory();
    static QString defaultsSuiteName();
    static QString pushCategoryIdentifier();
};

} // namespace kesvor
