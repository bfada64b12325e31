#include "ui/Application.h"

#include "foundation/MainThread.h"
#include "foundation/NotificationCenter.h"
#include "ui/Keyboard.h"
#include "ui/Window.h"

#include <QtCore/QEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QResizeEvent>
#include <QtWidgets/QApplication>

#include <algorithm>

namespace kesvor::ui {

const QString Application::didBecomeActiveNotification =
    QStringLiteral("UIApplicationDidBecomeActiveNotification");
const QString Application::willResignActiveNotification =
    QStringLiteral("UIApplicationWillResignActiveNotification");
const QString Application::didEnterBackgroundNotification =
    QStringLiteral("UIApplicationDidEnterBackgroundNotification");
const QString Application::willEnterForegroundNotification =
    QStringLiteral("UIApplicationWillEnterForegroundNotification");
const QString Application::launchOptionsRemoteNotificationKey =
    QStringLiteral("UIApplicationLaunchOptionsRemoteNotificationKey");

namespace {

Application::State stateFromPlatform(Qt::ApplicationState state)
{
    switch (state) {
    case Qt::ApplicationActive:
        return Application::State::Active;
    case Qt::ApplicationInactive:
        return Application::State::Inactive;
    case Qt::ApplicationHidden:
    case Qt::ApplicationSuspended:
        break;
    }
    return Application::State::Background;
}

bool isHostCandidate(const QWidget* widget)
{
    if (!widget || !widget->isWindow() || !widget->isVisible())
        return false;
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

} // namespace

Application& Application::shared()
{
    KESVOR_ASSERT_MAIN_THREAD();
    static Application* application = new Application;
    return *application;
}

Application::Application()
{
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        m_state = stateFromPlatform(gui->applicationState());
        connect(
            gui, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { setApplicationState(stateFromPlatform(state)); });
    }
    Keyboard::shared();
}

QWidget* Application::hostWindow() const
{
    if (m_hostWindow)
        return m_hostWindow;
    if (QWidget* active = QApplication::activeWindow(); isHostCandidate(active))
        return active;
    const auto topLevels = QApplication::topLevelWidgets();
    const auto found = std::find_if(topLevels.begin(), topLevels.end(), isHostCandidate);
    return found == topLevels.end() ? nullptr : *found;
}

void Application::setHostWindow(QWidget* widget)
{
    m_hostWindow = widget;
}

QList<Window*> Application::sdkWindows() const
{
    QList<Window*> windows;
    for (const QPointer<Window>& window : m_windows)
        if (window && window->parentWidget())
            windows.append(window);
    std::stable_sort(windows.begin(), windows.end(), [](const Window* a, const Window* b) {
        return a->windowLevel() < b->windowLevel();
    });
    return windows;
}

QList<ApplicationWindow> Application::windows() const
{
    QWidget* host = hostWindow();
    if (!host)
        return {};
    QList<ApplicationWindow> result;
    result.append(ApplicationWindow{host, nullptr, QRectF(QPointF(), QSizeF(host->size())),
                                    Window::normalLevel});
    for (Window* window : sdkWindows())
        if (window->parentWidget() == host)
            result.append(
                ApplicationWindow{window, window, window->frame(), window->windowLevel()});
    return result;
}

void Application::registerWindow(Window* window)
{
    m_windows.removeAll(nullptr);
    m_windows.append(window);
    if (QWidget* host = hostWindow()) {
        window->setParent(host);
        watchHost(host);
    }
}

Window* Application::keyWindow() const
{
    return m_keyWindow;
}

void Application::setKeyWindow(Window* window)
{
    m_keyWindow = window;
}

void Application::restackWindows()
{
    for (Window* window : sdkWindows()) {
        window->raise();
        if (window->parentWidget())
            watchHost(window->parentWidget());
    }
}

void Application::watchHost(QWidget* host)
{
    if (m_watchedHost == host)
        return;
    if (m_watchedHost)
        m_watchedHost->removeEventFilter(this);
    m_watchedHost = host;
    host->installEventFilter(this);
}

bool Application::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedHost && event->type() == QEvent::Resize) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        if (resize->oldSize().isValid())
            followHostResize(resize->oldSize(), resize->size());
    }
    return QObject::eventFilter(watched, event);
}

void Application::followHostResize(const QSize& oldSize, const QSize& newSize)
{
    // Windows that spanned the host keep spanning it; one parked just below
    // the host's bottom edge stays parked there.
    for (Window* window : sdkWindows()) {
        if (window->parentWidget() != m_watchedHost)
            continue;
        QRectF frame = window->frame();
        if (frame.width() == oldSize.width())
            frame.setWidth(newSize.width());
        if (frame.height() == oldSize.height())
            frame.setHeight(newSize.height());
        if (frame.y() == oldSize.height())
            frame.moveTop(newSize.height());
        window->setFrame(frame);
    }
}

void Application::setApplicationState(State state)
{
    if (state == m_state)
        return;
    const State old = m_state;
    m_state = state;
    auto& center = foundation::NotificationCenter::defaultCenter();
    const auto announce = [&](const QString& name,
                              void (ApplicationDelegate::*callback)(Application&)) {
        if (m_delegate)
            (m_delegate->*callback)(*this);
        center.post(name);
    };
    if (old == State::Active)
        announce(willResignActiveNotification, &ApplicationDelegate::applicationWillResignActive);
    if (old == State::Background)
        announce(willEnterForegroundNotification,
                 &ApplicationDelegate::applicationWillEnterForeground);
    if (state == State::Background)
        announce(didEnterBackgroundNotification,
                 &ApplicationDelegate::applicationDidEnterBackground);
    if (state == State::Active)
        announce(didBecomeActiveNotification, &ApplicationDelegate::applicationDidBecomeActive);
}

void Application::setLaunchOptions(const QVariantMap& options)
{
    m_launchOptions = options;
}

void Application::setDelegate(ApplicationDelegate* delegate)
{
    m_delegate = delegate;
    m_deviceTokenHandler = nullptr;
    m_remoteNotificationHandler = nullptr;
    if (delegate)
        delegate->applicationDidFinishLaunching(*this, m_launchOptions);
}

void Application::didRegisterForRemoteNotifications(const QByteArray& deviceToken)
{
    ApplicationDelegate* delegate = m_delegate;
    const auto original = [this, delegate, deviceToken] {
        if (delegate && delegate == m_delegate &&
            delegate->implements(DelegateCallback::DidRegisterForRemoteNotifications))
            delegate->applicationDidRegisterForRemoteNotifications(*this, deviceToken);
    };
    if (m_deviceTokenHandler)
        m_deviceTokenHandler(deviceToken, original);
    else
        original();
}

void Application::didReceiveRemoteNotification(const QVariantMap& userInfo)
{
    ApplicationDelegate* delegate = m_delegate;
    const auto original = [this, delegate, userInfo] {
        if (delegate && delegate == m_delegate &&
            delegate->implements(DelegateCallback::DidReceiveRemoteNotification))
            delegate->applicationDidReceiveRemoteNotification(*this, userInfo);
    };
    if (m_remoteNotificationHandler)
        m_remoteNotificationHandler(userInfo, original);
    else
        original();
}

bool Application::exchangeDeviceTokenHandler(DeviceTokenHandler handler)
{
    if (!m_delegate || !m_delegate->implements(DelegateCallback::DidRegisterForRemoteNotifications))
        return false;
    m_deviceTokenHandler = std::move(handler);
    return true;
}

bool Application::exchangeRemoteNotificationHandler(RemoteNotificationHandler handler)
{
    if (!m_delegate || !m_delegate->implements(DelegateCallback::DidReceiveRemoteNotification))
        return false;
    m_remoteNotificationHandler = std::move(handler);
    return true;
}

} // namespace kesvor::ui
