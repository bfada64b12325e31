#include "Kesvor/KesvorNotifications.h"

#include "Kesvor/KesvorBuildConfig.h"
#include "Kesvor/KesvorWindows.h"
#include "View/NotificationView.h"
#include "foundation/ClockTimer.h"
#include "foundation/MainThread.h"
#include "kesvor/Kesvor.h"
#include "ui/Application.h"
#include "ui/Window.h"

#include <QtCore/QPointer>

namespace kesvor {

namespace {

// The banner window that is sliding out, if any: it takes no more taps.
QPointer<ui::Window>& leavingBanner()
{
    static QPointer<ui::Window> window;
    return window;
}

void moveTop(const QPointer<ui::Window>& window, double top)
{
    if (!window)
        return;
    QRectF frame = window->frame();
    frame.moveTop(top);
    window->setFrame(frame);
}

std::optional<QString> stringEntry(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QString::fromLatin1(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

// Slides the current banner out; completion runs once it is released.
void slideBannerOut(const std::function<void()>& completion)
{
    // Stopped, not destroyed: this may run inside the timer's own timeout.
    if (foundation::ClockTimer* timer = KesvorWindows::timer())
        timer->stop();
    const QPointer<ui::Window> banner = KesvorWindows::notificationWindow();
    if (banner && banner == leavingBanner())
        return;
    leavingBanner() = banner;
    ui::View::animate(
        KesvorNotifications::slideDuration,
        [banner] { moveTop(banner, -KesvorNotifications::bannerHeight); },
        [banner, completion](bool) {
            // A banner that replaced this one meanwhile stays.
            if (banner && KesvorWindows::notificationWindow() == banner)
                KesvorWindows::setNotificationWindow(nullptr);
            if (completion)
                completion();
        });
}

} // namespace

void KesvorNotifications::handleNotification(const QVariantMap& data)
{
    KESVOR_ASSERT_MAIN_THREAD();
    const QVariant apsValue = data.value(QStringLiteral("aps"));
    const int apsType = apsValue.typeId();
    if (apsType != QMetaType::QVariantMap && apsType != QMetaType::QVariantHash)
        return;
    const QVariantMap aps = apsValue.toMap();
    if (stringEntry(aps, "category") != QString::fromLatin1(PUSH_CATEGORY_IDENTIFIER))
        return;
    if (ui::Application::shared().applicationState() == ui::Application::State::Active)
        showNotification(aps);
    else
        showConversation();
}

void KesvorNotifications::showNotification(const QVariantMap& aps)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (KesvorWindows::window())
        return;
    ui::Application& application = ui::Application::shared();
    const QList<ui::ApplicationWindow> windows = application.windows();
    if (windows.isEmpty())
        return;
    const double width = windows.last().frame.width();

    auto* window = new ui::Window(QRectF(0, -bannerHeight, width, bannerHeight));
    // The banner up so far goes at once; its timer goes below.
    KesvorWindows::setNotificationWindow(window);
    window->makeKeyAndVisible();
    window->setWindowLevel(application.windows().last().windowLevel + 1);

    auto* banner = new NotificationView(QRectF(0, 0, width, bannerHeight));
    banner->setText(stringEntry(aps, "alert"));
    const QPointer<ui::Window> shown = window;
    banner->setTapHandler([shown] {
        if (shown && shown == KesvorWindows::notificationWindow())
            hideNotificationAndShow();
    });
    window->addFillingSubview(banner);

    ui::View::animate(slideDuration, [shown] { moveTop(shown, 0); });
    auto timer = std::make_unique<foundation::ClockTimer>([] { hideNotification(); });
    timer->start(shownMs);
    KesvorWindows::setTimer(std::move(timer));
}

void KesvorNotifications::hideNotification()
{
    KESVOR_ASSERT_MAIN_THREAD();
    slideBannerOut({});
}

void KesvorNotifications::hideNotificationAndShow()
{
    KESVOR_ASSERT_MAIN_THREAD();
    slideBannerOut(showConversation);
}

void KesvorNotifications::showConversation()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!KesvorWindows::window())
        Kesvor::show();
}

} // namespace kesvor
