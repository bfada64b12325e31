#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QVariantMap>

namespace kesvor::ui {

class Application;

/// Optional callbacks of an application delegate. The application calls an
/// optional callback only when the delegate says it implements it.
enum class DelegateCallback {
    DidRegisterForRemoteNotifications,
    DidReceiveRemoteNotification,
};

/// What the host application hears about its own life: launch, state
/// changes and push notifications. The host implements it and sets it with
/// Application::setDelegate().
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;

    /// Whether the delegate implements an optional callback.
    virtual bool implements(DelegateCallback) const { return false; }

    virtual void applicationDidFinishLaunching(Application&, const QVariantMap& /*launchOptions*/)
    {
    }
    virtual void applicationDidBecomeActive(Application&) {}
    virtual void applicationWillResignActive(Application&) {}
    virtual void applicationDidEnterBackground(Application&) {}
    virtual void applicationWillEnterForeground(Application&) {}

    // Optional callbacks.
    virtual void applicationDidRegisterForRemoteNotifications(Application&,
                                                              const QByteArray& /*deviceToken*/)
    {
    }
    virtual void applicationDidReceiveRemoteNotification(Application&,
                                                         const QVariantMap& /*userInfo*/)
    {
    }
};

} // namespace kesvor::ui
