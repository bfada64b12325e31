#pragma once

#include <QtCore/QVariantMap>

namespace kesvor {

/// Describes the device the SDK runs on, for the service.
class PlatformInfo {
public:
    /// A new dictionary on every call: "browserName" (the device/product
    /// description), "majorVersion" (the full OS version) and "OSName".
    static QVariantMap info();
};

} // namespace kesvor
