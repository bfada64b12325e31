// The SDK's own windows: opening, sliding and releasing the conversation
// window, and the banner's window and timer that the push integration keeps.
#include "Kesvor/KesvorWindows.h"

#include "View/ChatViewController.h"
#include "foundation/ClockTimer.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/Application.h"
#include "ui/Window.h"

#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

namespace kesvor {

namespace {

constexpr double slideDuration = 0.3;

struct WindowState {
    QPointer<ui::Window> window;
    QPointer<ui::Window> notificationWindow;
    std::unique_ptr<foundation::ClockTimer> timer;
};

WindowState& windowState()
{
    static WindowState state;
    return state;
}

// Replaces a held window; the one held before is released.
void replace(QPointer<ui::Window>& slot, ui::Window* window)
{
    ui::Window* old = slot;
    slot = window;
    if (!old || old == window)
        return;
    old->hide();
    old->deleteLater();
}

// The level above every window that is on screen: a window that was
// released (hidden, deleted later) no longer counts.
double levelAboveShownWindows(const QList<ui::ApplicationWindow>& windows)
{
    double level = ui::Window::normalLevel;
    for (const ui::ApplicationWindow& entry : windows)
        if (entry.widget && entry.widget->isVisible())
            level = std::max(level, entry.windowLevel);
    return level + 1;
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

foundation::ClockTimer* KesvorWindows::timer()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return windowState().timer.get();
}

void KesvorWindows::setTimer(std::unique_ptr<foundation::ClockTimer> timer)
{
    KESVOR_ASSERT_MAIN_THREAD();
    windowState().timer = std::move(timer);
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
    // The host's window gives the screen's size (the last window may be the
    // push banner); the new one starts a screen height below, then slides up.
    const QRectF screen = windows.first().frame;
    auto* window =
        new ui::Window(QRectF(screen.x(), screen.height(), screen.width(), screen.height()));
    setWindow(window);
    // Read after the window it replaces was released; the new one is not shown yet.
    const double level = levelAboveShownWindows(application.windows());
    window->makeKeyAndVisible();
    window->setWindowLevel(level);
    window->setRootViewController(new ChatViewController);
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
