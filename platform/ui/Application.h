#pragma once

#include "ui/ApplicationDelegate.h"

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QRectF>
#include <QtCore/QVariantMap>

#include <functional>
#include <optional>

class QWidget;

namespace kesvor::ui {

class Window;

/// One entry of the application's window list: the host's top-level window
/// or one of the SDK's windows.
struct ApplicationWindow {
    QPointer<QWidget> widget;
    /// The SDK window, or nullptr for the host's window.
    Window* window = nullptr;
    /// In the host window's coordinates; the host's own is at the origin.
    QRectF frame;
    double windowLevel = 0;
};

/// The application as the SDK sees it: the host's top-level window that the
/// SDK's windows overlay, the windows in stacking order, the key window,
/// active/background state with its notifications, launch options, and the
/// host's delegate with its push-notification callbacks. Main thread only.
class Application : public QObject {
    Q_OBJECT
public:
    enum class State { Active, Inactive, Background };

    /// Notification names posted on the default notification centre.
    static const QString didBecomeActiveNotification;
    static const QString willResignActiveNotification;
    static const QString didEnterBackgroundNotification;
    static const QString willEnterForegroundNotification;
    /// Launch-options key of a launch from a remote notification.
    static const QString launchOptionsRemoteNotificationKey;

    static Application& shared();

    /// The top-level widget the SDK's windows overlay: the one set by the
    /// host, or else the active window, or else the first visible top-level
    /// widget. nullptr when there is none.
    QWidget* hostWindow() const;
    void setHostWindow(QWidget* widget);

    /// The host's window, then the SDK's windows by level (ties in the order
    /// they were created), back to front. Empty without a host window.
    QList<ApplicationWindow> windows() const;
    Window* keyWindow() const;

    State applicationState() const { return m_state; }
    /// Normally follows the platform; hosts and tests may drive it. Changes
    /// post the matching notifications and call the delegate.
    void setApplicationState(State state);

    QVariantMap launchOptions() const { return m_launchOptions; }
    void setLaunchOptions(const QVariantMap& options);

    /// Not owned; the host keeps it alive while it is set.
    ApplicationDelegate* delegate() const { return m_delegate; }
    void setDelegate(ApplicationDelegate* delegate);

    // --- Push notifications -------------------------------------------------

    /// The platform (or the host's push plumbing) reports the device token and
    /// received notifications here; they go to the delegate, or to a handler
    /// exchanged in for the delegate's callback.
    void didRegisterForRemoteNotifications(const QByteArray& deviceToken);
    void didReceiveRemoteNotification(const QVariantMap& userInfo);

    /// A replacement for a delegate callback. callOriginal runs the delegate's
    /// own implementation with the same arguments.
    using DeviceTokenHandler = std::function<void(const QByteArray& deviceToken,
                                                  const std::function<void()>& callOriginal)>;
    using RemoteNotificationHandler =
        std::function<void(const QVariantMap& userInfo, const std::function<void()>& callOriginal)>;
    /// Installs a replacement; refused (false) when there is no delegate or
    /// it does not implement the callback.
    bool exchangeDeviceTokenHandler(DeviceTokenHandler handler);
    bool exchangeRemoteNotificationHandler(RemoteNotificationHandler handler);

    // --- Used by Window -----------------------------------------------------

    void registerWindow(Window* window);
    void setKeyWindow(Window* window);
    /// Stacks the SDK's windows over the host's content in level order.
    void restackWindows();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Application();
    QList<Window*> sdkWindows() const;
    void followHostResize(const QSize& oldSize, const QSize& newSize);
    void watchHost(QWidget* host);

    QPointer<QWidget> m_hostWindow;
    QPointer<QWidget> m_watchedHost;
    QList<QPointer<Window>> m_windows;
    QPointer<Window> m_keyWindow;
    State m_state = State::Active;
    QVariantMap m_launchOptions;
    ApplicationDelegate* m_delegate = nullptr;
    DeviceTokenHandler m_deviceTokenHandler;
    RemoteNotificationHandler m_remoteNotificationHandler;
};

} // namespace kesvor::ui
