#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// Keys of the service's request and response bodies besides those of the
/// customer record (UserKeys).
enum class ServiceKeys {
    business,
    user,
    email,
    profileImage,
    platformInfo,
    metaUserInfo,
    deviceToken,
};

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::ServiceKeys> {
    using K = kesvor::ServiceKeys;
    static constexpr std::array table{
        std::pair{K::business, "business"},
        std::pair{K::user, "user"},
        std::pair{K::email, "email"},
        std::pair{K::profileImage, "profileImage"},
        std::pair{K::platformInfo, "platformInfo"},
        std::pair{K::metaUserInfo, "metaUserInfo"},
        std::pair{K::deviceToken, "deviceToken"},
    };
};
