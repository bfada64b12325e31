#pragma once

#include <memory>

namespace kesvor {

namespace foundation {
class ClockTimer;
}

namespace ui {
class Window;
}

/// The SDK's own windows: the conversation window with its slides, and the
/// push banner's window and auto-hide timer. Setting a window or timer
/// releases the one held before. Main thread.
class KesvorWindows {
public:
    /// Opens a new conversation window one screen below the host's window,
    /// above every window shown so far, and slides it up. Nothing without a
    /// host window.
    static void openConversation();

    /// The conversation window while it is open.
    static ui::Window* window();
    static void setWindow(ui::Window* window);
    /// The push banner's window.
    static ui::Window* notificationWindow();
    static void setNotificationWindow(ui::Window* window);
    /// The banner's auto-hide timer; a replaced timer stops.
    static foundation::ClockTimer* timer();
    static void setTimer(std::unique_ptr<foundation::ClockTimer> timer);

    /// Slides window() to the top of the screen (0.3 s).
    static void present();
    /// Slides window() off the bottom of the screen (0.3 s), then releases
    /// it. Without a window nothing moves and nothing fails.
    static void dismiss();
};

} // namespace kesvor
