#pragma once

namespace kesvor {

/// Posted by quick replies, template buttons and the web view's bridge to
/// send a customer message; user info "text" and "messageKeyword".
inline constexpr char SendMessageNotification[] = "SendMessageNotification";
/// Posted by link buttons; user info "url".
inline constexpr char ShowWebViewNotification[] = "ShowWebViewNotification";
/// Posted by the e-mail form; user info "messageId", "text", "userId".
inline constexpr char SubmitEmailNotification[] = "SubmitEmailNotification";
/// Posted by the e-mail form for an address that is not one.
inline constexpr char WrongEmailFormatNotification[] = "WrongEmailFormatNotification";

} // namespace kesvor
