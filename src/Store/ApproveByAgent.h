#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// Moderation state of a message; only approved messages are stored.
enum class ApproveByAgent { approved, unapproved, rejected };

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::ApproveByAgent> {
    using A = kesvor::ApproveByAgent;
    static constexpr std::array table{std::pair{A::approved, "approved"},
                                      std::pair{A::unapproved, "unapproved"},
                                      std::pair{A::rejected, "rejected"}};
};
