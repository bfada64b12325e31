#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// The events of the socket session: the client's own ("connect",
/// "disconnect", "reconnectAttempt") and the service's.
enum class SocketEventName {
    connect,
    check_session,
    set_room,
    old_chats,
    chat_msg,
    typing,
    agents_list,
    disconnect,
    chat_rooms,
    session_status,
    set_user_data,
    reconnectAttempt,
    assign_agent,
    update_agent_properties,
    set_bot_status,
    approve_message,
    submit_email,
    update_message_status,
};

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::SocketEventName> {
    using E = kesvor::SocketEventName;
    static constexpr std::array table{
        std::pair{E::connect, "connect"},
        std::pair{E::check_session, "check-session"},
        std::pair{E::set_room, "set-room"},
        std::pair{E::old_chats, "old-chats"},
        std::pair{E::chat_msg, "chat-msg"},
        std::pair{E::typing, "typing"},
        std::pair{E::agents_list, "agents-list"},
        std::pair{E::disconnect, "disconnect"},
        std::pair{E::chat_rooms, "chat-rooms"},
        std::pair{E::session_status, "session-status"},
        std::pair{E::set_user_data, "set-user-data"},
        std::pair{E::reconnectAttempt, "reconnectAttempt"},
        std::pair{E::assign_agent, "assign-agent"},
        std::pair{E::update_agent_properties, "update-agent-properties"},
        std::pair{E::set_bot_status, "set-bot-status"},
        std::pair{E::approve_message, "approve-message"},
        std::pair{E::submit_email, "submit-email"},
        std::pair{E::update_message_status, "update-message-status"},
    };
};
