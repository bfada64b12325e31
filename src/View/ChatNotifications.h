#pragma once

namespace kesvor {

/// Asks the conversation screen to send a message for the customer; user
/// info "text" and "messageKeyword" (strings). Posted by template buttons,
/// quick replies and the web view's script bridge.
inline constexpr char SendMessageNotification[] = "SendMessageNotification";

} // namespace kesvor
