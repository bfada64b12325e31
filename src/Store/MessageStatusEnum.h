#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// Delivery state of a message towards the customer or the agent.
enum class MessageStatusEnum { seen, sending, sent, unsent };

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::MessageStatusEnum> {
    using S = kesvor::MessageStatusEnum;
    static constexpr std::array table{std::pair{S::seen, "seen"}, std::pair{S::sending, "sending"},
                                      std::pair{S::sent, "sent"}, std::pair{S::unsent, "unsent"}};
};
