#include "kesvor/Kesvor.h"

#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorNotifications.h"
#include "Kesvor/KesvorPrivate.h"
#include "Kesvor/KesvorWindows.h"
#include "Kesvor/Swizel.h"
#include "Store/MyDataController.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/Application.h"

namespace kesvor {

void Kesvor::initWithToken(const QString& token)
{
    KESVOR_ASSERT_MAIN_THREAD();
    // The first call puts the SDK in front of the delegate's push callbacks.
    Swizel::shared();
    KesvorPrivate::setBusinessToken(token);
    KesvorPrivate::setUser(KesvorLocalStorage::storedUser());
}

void Kesvor::show()
{
    KESVOR_ASSERT_MAIN_THREAD();
    const std::optional<QString> token = KesvorPrivate::businessToken();
    if (!token) {
        KESVOR_DEBUG_LOG << "token can not be nil";
        return;
    }
    KESVOR_DEBUG_LOG << *token;
    KesvorWindows::openConversation();
}

QString Kesvor::launchOptionsRemoteNotificationKey()
{
    return ui::Application::launchOptionsRemoteNotificationKey;
}

void Kesvor::handleLaunchOptions(const std::optional<QVariantMap>& launchOptions)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (launchOptions && launchOptions->contains(launchOptionsRemoteNotificationKey()))
        KesvorNotifications::showConversation();
}

void Kesvor::didRegisterForRemoteNotifications(const QByteArray& deviceToken)
{
    KESVOR_ASSERT_MAIN_THREAD();
    Swizel::shared().x_application(ui::Application::shared(), deviceToken);
}

void Kesvor::didReceiveRemoteNotification(const QVariantMap& userInfo)
{
    KESVOR_ASSERT_MAIN_THREAD();
    Swizel::shared().x_application(ui::Application::shared(), userInfo);
}

void Kesvor::clearChat()
{
    KESVOR_ASSERT_MAIN_THREAD();
    MyDataController::sharedInstance().clearChat();
}

std::optional<QString> Kesvor::customerId()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return KesvorPrivate::customerId();
}

void Kesvor::setCustomerId(const std::optional<QString>& customerId)
{
    KESVOR_ASSERT_MAIN_THREAD();
    KesvorPrivate::setCustomerId(customerId);
}

std::optional<KesvorMetaUserInfo> Kesvor::metaUserinfo()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return KesvorPrivate::metaUserinfo();
}

void Kesvor::setMetaUserinfo(const std::optional<KesvorMetaUserInfo>& metaUserinfo)
{
    KESVOR_ASSERT_MAIN_THREAD();
    KesvorPrivate::setMetaUserinfo(metaUserinfo);
}

} // namespace kesvor
