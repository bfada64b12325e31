#pragma once

namespace kesvor {

class ButtonModel;

/// What a tapped template button does: a postback posts
/// "SendMessageNotification" with its title as "text" and its value as
/// "messageKeyword"; a link posts "ShowWebViewNotification" with its "url".
/// The template stays as it is and can be tapped again.
class ButtonAction {
public:
    static void perform(const ButtonModel& button);
};

} // namespace kesvor
