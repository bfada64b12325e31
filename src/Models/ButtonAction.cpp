#include "Models/ButtonAction.h"

#include "Models/ButtonModel.h"
#include "View/ConversationNotifications.h"
#include "foundation/DebugLog.h"
#include "foundation/NotificationCenter.h"

namespace kesvor {

void ButtonAction::perform(const ButtonModel& button)
{
    KESVOR_DEBUG_LOG << button.title();
    auto& center = foundation::NotificationCenter::defaultCenter();
    if (const auto value = button.value()) {
        center.post(
            QString::fromLatin1(SendMessageNotification),
            {{QStringLiteral("text"), button.title()}, {QStringLiteral("messageKeyword"), *value}});
        return;
    }
    center.post(QString::fromLatin1(ShowWebViewNotification),
                {{QStringLiteral("url"), button.url().value_or(QString())}});
}

} // namespace kesvor
