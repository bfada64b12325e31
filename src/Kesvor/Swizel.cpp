#include "Kesvor/Swizel.h"

#include "Kesvor/KesvorNotifications.h"
#include "Kesvor/KesvorPrivate.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/Application.h"

namespace kesvor {

Swizel& Swizel::shared()
{
    KESVOR_ASSERT_MAIN_THREAD();
    static Swizel swizel;
    return swizel;
}

Swizel::Swizel()
    : m_originalMethodSelectors{QStringLiteral("application:"
                                               "didRegisterForRemoteNotificationsWithDeviceToken:"),
                                QStringLiteral("application:didReceiveRemoteNotification:")}
    , m_swizelMethodSelectors{
          QStringLiteral("x_application:didRegisterForRemoteNotificationsWithDeviceToken:"),
          QStringLiteral("x_application:didReceiveRemoteNotification:")}
{
    ui::Application& application = ui::Application::shared();
    if (!application.delegate()) {
        KESVOR_DEBUG_LOG << "push: no application delegate to hook";
        return;
    }
    // A callback the delegate lacks ends the installation there.
    for (qsizetype index = 0; index < m_originalMethodSelectors.size(); ++index) {
        if (!exchange(application, index)) {
            KESVOR_DEBUG_LOG << "push: the application delegate does not implement"
                             << m_originalMethodSelectors[index];
            return;
        }
        ++m_installedHooks;
    }
}

bool Swizel::exchange(ui::Application& application, qsizetype index)
{
    if (index == 0)
        return application.exchangeDeviceTokenHandler(
            [this, &application](const QByteArray& deviceToken,
                                 const std::function<void()>& callOriginal) {
                x_application(application, deviceToken);
                callOriginal();
            });
    return application.exchangeRemoteNotificationHandler(
        [this, &application](const QVariantMap& userInfo,
                             const std::function<void()>& callOriginal) {
            x_application(application, userInfo);
            callOriginal();
        });
}

void Swizel::x_application(ui::Application&, const QByteArray& deviceToken)
{
    KESVOR_ASSERT_MAIN_THREAD();
    const QString token = deviceTokenString(deviceToken);
    KESVOR_DEBUG_LOG << "APNS device token : " + token;
    KesvorPrivate::registerDeviceToken(token);
}

void Swizel::x_application(ui::Application&, const QVariantMap& userInfo)
{
    KESVOR_ASSERT_MAIN_THREAD();
    KESVOR_DEBUG_LOG << "Push notification received:" << userInfo;
    KesvorNotifications::handleNotification(userInfo);
}

QString Swizel::deviceTokenString(const QByteArray& deviceToken)
{
    return QString::fromLatin1(deviceToken.toHex().toUpper());
}

} // namespace kesvor
