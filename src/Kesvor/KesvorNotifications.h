#pragma once

#include <QtCore/QVariantMap>

namespace kesvor {

/// What the SDK does with its push notifications: the in-app banner in a
/// window of its own, and opening the conversation. The banner's window and
/// timer are held by KesvorWindows. Main thread.
///
/// Banner: hidden → sliding in (0.3 s) → shown (3 s) → sliding out (0.3 s)
/// → released. A tap while it is shown slides it out and then opens the
/// conversation; a banner that is sliding out takes no more taps. A new
/// banner replaces the one up at once, with its timer.
class KesvorNotifications {
public:
    static constexpr double bannerHeight = 80;
    static constexpr double slideDuration = 0.3;
    static constexpr double shownMs = 3000;

    /// A notification of the SDK's category (its "aps" object's "category")
    /// shows the banner while the application is active, or else opens the
    /// conversation. Anything else is ignored.
    static void handleNotification(const QVariantMap& data);
    /// Slides a banner with aps's "alert" text in over the top of the
    /// screen, unless the conversation is on screen.
    static void showNotification(const QVariantMap& aps);
    /// Slides the banner out and releases its window.
    static void hideNotification();
    /// The same, then opens the conversation unless it is on screen.
    static void hideNotificationAndShow();

    /// Opens the conversation; one that is on screen already stays as it is.
    static void showConversation();
};

} // namespace kesvor
