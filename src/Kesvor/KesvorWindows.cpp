// The SDK's own windows: opening, sliding and releasing the conversation
// window, and the banner's window and timer that the push integration keeps.
#include "Kesvor/KesvorWindows.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/Application.h"
#include "ui/Color.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>

namespace kesvor {

namespace {

constexpr double slideDuration = 0.3;

struct WindowState {
    QPointer<ui::Window> window;
    QPointer<ui::Window> notificationWindow;
    QPointer<QTimer> timer;
};

WindowState& windowState()
{
    static WindowState state;
    return state;
}

// Replaces a held object; the one held before is released.
template <typename T> void replace(QPointer<T>& slot, T* object)
{
    T* old = slot;
    slot = object;
    if (!old || old == object)
        return;
    if constexpr (std::is_same_v<T, QTimer>)
        old->stop();
    else
        old->hide();
    old->deleteLater();
}

// The controller the conversation window opens with. The conversation
// screen takes this place when it lands.
ui::ViewController* makeRootController()
{
    auto* controller = new ui::ViewController;
    controller->view()->setBackgroundColor(ui::Color::white());
    return controller;
}

void moveWindowTop(const QPointer<ui::Window>& window, bool toBottom)
{
    if (!window)
        return;
    QRectF frame = window->frame();
    frame.moveTop(toBottom ? frame.height() : 0.0);
    window->setFrame(frame);
}

} // namespace

ui::Window* KesvorWindows::window()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return windowState().window;
}

void KesvorWindows::setWindow(ui::Window* window)
{
    KESVOR_ASSERT_MAIN_THREAD();
    replace(windowState().window, window);
}

ui::Window* KesvorWindows::notificationWindow()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return windowState().notificationWindow;
}

void KesvorWindows::setNotificationWindow(ui::Window* window)
{
    KESVOR_ASSERT_MAIN_THREAD();
    replace(windowState().notificationWindow, window);
}

QTimer* KesvorWindows::timer()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return windowState().timer;
}

void KesvorWindows::setTimer(QTimer* timer)
{
    KESVOR_ASSERT_MAIN_THREAD();
    replace(windowState().timer, timer);
}

void KesvorWindows::openConversation()
{
    KESVOR_ASSERT_MAIN_THREAD();
    ui::Application& application = ui::Application::shared();
    const QList<ui::ApplicationWindow> windows = application.windows();
    if (windows.isEmpty()) {
        KESVOR_DEBUG_LOG << "show: the application has no window to show the conversation over";
        return;
    }
    // One screen height below its final place, then slid up.
    const QRectF screen = windows.last().frame;
    auto* window =
        new ui::Window(QRectF(screen.x(), screen.height(), screen.width(), screen.height()));
    setWindow(window);
    window->makeKeyAndVisible();
    window->setWindowLevel(application.windows().last().windowLevel + 1);
    window->setRootViewController(makeRootController());
    present();
}

void KesvorWindows::present()
{
    KESVOR_ASSERT_MAIN_THREAD();
    const QPointer<ui::Window> window = windowState().window;
    ui::View::animate(slideDuration, [window] { moveWindowTop(window, false); });
}

void KesvorWindows::dismiss()
{
    KESVOR_ASSERT_MAIN_THREAD();
    const QPointer<ui::Window> dismissed = windowState().window;
    ui::View::animate(
        slideDuration, [dismissed] { moveWindowTop(dismissed, true); },
        [dismissed](bool) {
            // A window shown while this one slid away stays.
            if (windowState().window == dismissed)
                setWindow(nullptr);
        });
}

} // namespace kesvor
