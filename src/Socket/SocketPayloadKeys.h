#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// Keys of the socket events' payloads: the room request and its reply, the
/// message lists, and the seen report.
enum class SocketPayloadKeys {
    members,
    platformInfo,
    roomId,
    result,
    messageId,
    messageStatus,
    senderRole,
};

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::SocketPayloadKeys> {
    using K = kesvor::SocketPayloadKeys;
    static constexpr std::array table{
        std::pair{K::members, "members"},       std::pair{K::platformInfo, "platformInfo"},
        std::pair{K::roomId, "roomId"},         std::pair{K::result, "result"},
        std::pair{K::messageId, "messageId"},   std::pair{K::messageStatus, "messageStatus"},
        std::pair{K::senderRole, "senderRole"},
    };
};
