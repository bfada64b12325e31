#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// The keys of a wire message. "msgKeyWord" is spelled with a capital W on the wire.
enum class ChatKeyValues {
    msgFrom,
    msgTo,
    msg,
    roomId,
    createdOn,
    senderIdentity,
    senderRole,
    messageKeyword,
    approvedByAgent,
    messageId,
    messageSentToCustomerStatus,
    messageSentToAgentStatus,
};

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::ChatKeyValues> {
    using K = kesvor::ChatKeyValues;
    static constexpr std::array table{
        std::pair{K::msgFrom, "msgFrom"},
        std::pair{K::msgTo, "msgTo"},
        std::pair{K::msg, "msg"},
        std::pair{K::roomId, "roomId"},
        std::pair{K::createdOn, "createdOn"},
        std::pair{K::senderIdentity, "senderIdentity"},
        std::pair{K::senderRole, "senderRole"},
        std::pair{K::messageKeyword, "msgKeyWord"},
        std::pair{K::approvedByAgent, "approvedByAgent"},
        std::pair{K::messageId, "_id"},
        std::pair{K::messageSentToCustomerStatus, "messageSentToCustomerStatus"},
        std::pair{K::messageSentToAgentStatus, "messageSentToAgentStatus"}};
};
