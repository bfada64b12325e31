#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// The keys of the customer record the service returns at sign-up.
enum class UserKeys {
    businesId,
    userId,
    room,
    role,
    username,
};

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::UserKeys> {
    using K = kesvor::UserKeys;
    static constexpr std::array table{
        std::pair{K::businesId, "businessId"},
        std::pair{K::userId, "userId"},
        std::pair{K::room, "room"},
        std::pair{K::role, "role"},
        std::pair{K::username, "username"},
    };
};
