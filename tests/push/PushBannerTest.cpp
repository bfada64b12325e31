#include "ui/UiTest.h"

#include "Kesvor/KesvorBuildConfig.h"
#include "Kesvor/KesvorNotifications.h"
#include "Kesvor/KesvorPrivate.h"
#include "Kesvor/KesvorWindows.h"
#include "Kesvor/Swizel.h"
#include "View/NotificationView.h"
#include "foundation/ClockTimer.h"
#include "kesvor/Kesvor.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/ApplicationDelegate.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Label.h"
#include "ui/Window.h"

#include <QtCore/QDir>
#include <QtTest/QTest>

using namespace kesvor;

namespace {

constexpr double slideMs = 300;
// Animation frames come every 16 ms: the first one after a slide ends it.
constexpr double frameMs = 16;
constexpr double shownMs = 3000;

QVariantMap sdkNotification(const QVariant& alert = QStringLiteral("Anna answered your question"))
{
    return {{"aps", QVariantMap{{"category", QString::fromLatin1(PUSH_CATEGORY_IDENTIFIER)},
                                {"alert", alert}}}};
}

// A host's application delegate that records what reaches it and what the
// SDK had done by then.
class HostDelegate : public ui::ApplicationDelegate {
public:
    explicit HostDelegate(bool tokenCallback = true)
        : m_tokenCallback(tokenCallback)
    {
    }
    bool implements(ui::DelegateCallback callback) const override
    {
        return callback != ui::DelegateCallback::DidRegisterForRemoteNotifications ||
               m_tokenCallback;
    }
    void applicationDidRegisterForRemoteNotifications(ui::Application&,
                                                      const QByteArray& deviceToken) override
    {
        tokens.append(deviceToken);
        sdkTokenWhenCalled = KesvorPrivate::deviceToken();
    }
    void applicationDidReceiveRemoteNotification(ui::Application&,
                                                 const QVariantMap& userInfo) override
    {
        notifications.append(userInfo);
        bannerWhenCalled = KesvorWindows::notificationWindow() != nullptr;
    }

    QList<QByteArray> tokens;
    std::optional<QString> sdkTokenWhenCalled;
    QList<QVariantMap> notifications;
    bool bannerWhenCalled = false;

private:
    bool m_tokenCallback;
};

class PushBannerTest : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        // Nothing the conversation may start leaves the machine.
        qputenv("KESVOR_SERVICE_URL", "http://127.0.0.1:9");
        // The application is in the foreground once its window is active.
        host().activateWindow();
        ASSERT_TRUE(test::waitUntil([] {
            return ui::Application::shared().applicationState() == ui::Application::State::Active;
        }));
        driveClock();
    }

    void TearDown() override
    {
        ui::Application& application = ui::Application::shared();
        application.setApplicationState(ui::Application::State::Active);
        application.setDelegate(nullptr);
        KesvorWindows::setTimer(nullptr);
        KesvorWindows::setNotificationWindow(nullptr);
        KesvorWindows::setWindow(nullptr);
        UiTest::TearDown();
    }

    static ui::Window* banner() { return KesvorWindows::notificationWindow(); }
    static NotificationView* bannerView(ui::Window* window)
    {
        return window ? window->findChild<NotificationView*>() : nullptr;
    }

    // A tap where the user sees view: through the host window, so whatever
    // lies on top at that point takes it.
    void tap(ui::View* view)
    {
        const QPoint point = view->mapTo(&host(), view->rect().center());
        QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {}, point);
    }
};

} // namespace

TEST_F(PushBannerTest, TheSdkHearsTokenAndNotificationsFirstAndTheHostStillDoes)
{
    HostDelegate host;
    ui::Application& application = ui::Application::shared();
    application.setDelegate(&host);
    Kesvor::initWithToken("tok");
    Kesvor::initWithToken("tok");
    EXPECT_EQ(Swizel::shared().installedHooks(), 2);

    const QByteArray token("\x0A\xFF\x00", 3);
    application.didRegisterForRemoteNotifications(token);
    EXPECT_EQ(KesvorPrivate::deviceToken(), "0AFF00");
    EXPECT_EQ(host.tokens, QList<QByteArray>{token});
    EXPECT_EQ(host.sdkTokenWhenCalled, "0AFF00");

    // Somebody else's notification goes to the host alone.
    const QVariantMap foreign{{"aps", QVariantMap{{"category", "shop.order"}, {"alert", "Sent"}}}};
    application.didReceiveRemoteNotification(foreign);
    EXPECT_EQ(banner(), nullptr);
    application.didReceiveRemoteNotification(sdkNotification());
    EXPECT_EQ(host.notifications, (QList<QVariantMap>{foreign, sdkNotification()}));
    EXPECT_TRUE(host.bannerWhenCalled);
    ASSERT_NE(bannerView(banner()), nullptr);
    EXPECT_EQ(bannerView(banner())->textLabel()->text(), "Anna answered your question");
}

TEST_F(PushBannerTest, ADelegateWithoutTheTokenCallbackIsNotHooked)
{
    HostDelegate host(false);
    ui::Application::shared().setDelegate(&host);
    Kesvor::initWithToken("tok");
    EXPECT_EQ(Swizel::shared().installedHooks(), 0);
    ui::Application::shared().didReceiveRemoteNotification(sdkNotification());
    EXPECT_EQ(host.notifications.size(), 1);
    EXPECT_EQ(banner(), nullptr);
}

TEST_F(PushBannerTest, HostsHandTheirPushEventsOverExplicitly)
{
    Kesvor::initWithToken("tok");
    Kesvor::didRegisterForRemoteNotifications(QByteArray("\x0A\xFF\x00", 3));
    EXPECT_EQ(KesvorPrivate::deviceToken(), "0AFF00");
    Kesvor::didReceiveRemoteNotification(sdkNotification());
    EXPECT_NE(banner(), nullptr);
}

TEST_F(PushBannerTest, TheBannerSlidesInStaysThreeSecondsAndGoes)
{
    Kesvor::initWithToken("tok");
    Kesvor::didReceiveRemoteNotification(sdkNotification());
    QPointer<ui::Window> window = banner();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowLevel(), 1);
    EXPECT_FRAME(window, 0, 0, hostWidth, 80);
    EXPECT_EQ(window->presentationFrame().y(), -80);

    NotificationView* view = bannerView(window);
    ASSERT_NE(view, nullptr);
    window->layoutIfNeeded();
    EXPECT_FRAME(view, 0, 0, hostWidth, 80);
    EXPECT_FRAME(view->backView(), 10, 24, hostWidth - 20, 46);
    EXPECT_FRAME(view->textLabel(), 10, 10, hostWidth - 40, 26);
    EXPECT_FRAME(view->hiddenButton(), 0, 0, hostWidth - 20, 46);
    EXPECT_EQ(view->backView()->backgroundColor(), ui::Color::white(35.0 / 255.0));
    EXPECT_EQ(view->backView()->cornerRadius(), 4);
    EXPECT_EQ(view->textLabel()->textColor(), ui::Color::white());
    EXPECT_EQ(view->textLabel()->text(), "Anna answered your question");

    advance(slideMs / 2);
    EXPECT_GT(window->presentationFrame().y(), -80);
    EXPECT_LT(window->presentationFrame().y(), 0);
    advance(slideMs / 2 + frameMs);
    EXPECT_EQ(window->presentationFrame().y(), 0);
    const QString folder = QStringLiteral(KESVOR_BINARY_DIR "/tests/push/screenshots");
    QDir().mkpath(folder);
    host().grab().save(folder + QStringLiteral("/banner.png"));

    advance(shownMs - 1 - slideMs - frameMs);
    EXPECT_EQ(window->frame().y(), 0);
    advance(1);
    EXPECT_EQ(window->frame().y(), -80);
    EXPECT_EQ(banner(), window.data());
    advance(slideMs + frameMs);
    EXPECT_EQ(banner(), nullptr);
    EXPECT_TRUE(test::waitUntil([&] { return !window; }));
    EXPECT_EQ(KesvorWindows::window(), nullptr);

    // An alert that is not a text leaves the label empty.
    Kesvor::didReceiveRemoteNotification(
        sdkNotification(QVariantMap{{"title", "Anna"}, {"body", "Hello"}}));
    ASSERT_NE(bannerView(banner()), nullptr);
    EXPECT_EQ(bannerView(banner())->textLabel()->text(), "");
}

TEST_F(PushBannerTest, ATapOpensTheConversationOnce)
{
    Kesvor::initWithToken("tok");
    Kesvor::didReceiveRemoteNotification(sdkNotification());
    QPointer<ui::Window> window = banner();
    advance(slideMs + frameMs);
    tap(bannerView(window)->hiddenButton());
    // A second tap while it slides away does nothing more.
    tap(bannerView(window)->hiddenButton());
    EXPECT_EQ(KesvorWindows::window(), nullptr);
    EXPECT_FALSE(KesvorWindows::timer()->isActive());
    advance(slideMs + frameMs);
    EXPECT_EQ(banner(), nullptr);
    QPointer<ui::Window> conversation = KesvorWindows::window();
    ASSERT_TRUE(conversation);
    EXPECT_TRUE(test::waitUntil([&] { return !window; }));

    // Time the banner would have stayed passes; the conversation stays as it is.
    advance(shownMs);
    EXPECT_EQ(KesvorWindows::window(), conversation.data());
    EXPECT_EQ(conversation->presentationFrame().y(), 0);
    EXPECT_EQ(ui::Application::shared().windows().size(), 2);
}

TEST_F(PushBannerTest, ANewBannerReplacesTheOneUpAndKeepsItsFullThreeSeconds)
{
    Kesvor::initWithToken("tok");
    Kesvor::didReceiveRemoteNotification(sdkNotification("first"));
    QPointer<ui::Window> first = banner();
    advance(1000);
    Kesvor::didReceiveRemoteNotification(sdkNotification("second"));
    QPointer<ui::Window> second = banner();
    ASSERT_NE(second, first);
    EXPECT_TRUE(test::waitUntil([&] { return !first; }));
    EXPECT_EQ(bannerView(second)->textLabel()->text(), "second");

    // When the first would have gone, the second stays.
    advance(2000 + slideMs + frameMs);
    EXPECT_EQ(banner(), second.data());
    EXPECT_EQ(second->presentationFrame().y(), 0);
    advance(shownMs - 2000 - slideMs - frameMs - 1);
    EXPECT_EQ(second->frame().y(), 0);
    advance(1);
    EXPECT_EQ(second->frame().y(), -80);

    // One that arrives while the second slides away stays for its own time.
    advance(slideMs / 2);
    Kesvor::didReceiveRemoteNotification(sdkNotification("third"));
    QPointer<ui::Window> third = banner();
    EXPECT_TRUE(test::waitUntil([&] { return !second; }));
    advance(slideMs + frameMs);
    EXPECT_EQ(banner(), third.data());
    EXPECT_EQ(third->presentationFrame().y(), 0);
    advance(shownMs - slideMs - frameMs - 1);
    EXPECT_EQ(banner(), third.data());
    advance(1 + slideMs + frameMs);
    EXPECT_EQ(banner(), nullptr);
}

TEST_F(PushBannerTest, TheConversationOnScreenStaysAsItIs)
{
    Kesvor::initWithToken("tok");
    ui::Application& application = ui::Application::shared();

    // In the background a notification opens the conversation.
    application.setApplicationState(ui::Application::State::Background);
    Kesvor::didReceiveRemoteNotification(sdkNotification());
    QPointer<ui::Window> conversation = KesvorWindows::window();
    ASSERT_TRUE(conversation);
    EXPECT_EQ(banner(), nullptr);
    advance(slideMs + frameMs);

    // Another one, in the background or in the foreground, changes nothing.
    Kesvor::didReceiveRemoteNotification(sdkNotification());
    application.setApplicationState(ui::Application::State::Active);
    Kesvor::didReceiveRemoteNotification(sdkNotification());
    Kesvor::handleLaunchOptions(
        QVariantMap{{Kesvor::launchOptionsRemoteNotificationKey(), sdkNotification()}});
    EXPECT_EQ(banner(), nullptr);
    EXPECT_TRUE(conversation);
    EXPECT_EQ(KesvorWindows::window(), conversation.data());
    EXPECT_EQ(conversation->presentationFrame().y(), 0);
}

TEST_F(PushBannerTest, ALaunchFromANotificationOpensTheConversation)
{
    Kesvor::initWithToken("tok");
    Kesvor::handleLaunchOptions(std::nullopt);
    Kesvor::handleLaunchOptions(QVariantMap{});
    Kesvor::handleLaunchOptions(QVariantMap{{"UIApplicationLaunchOptionsURLKey", "kesvor://"}});
    EXPECT_EQ(KesvorWindows::window(), nullptr);
    Kesvor::handleLaunchOptions(
        QVariantMap{{Kesvor::launchOptionsRemoteNotificationKey(), QVariant()}});
    EXPECT_NE(KesvorWindows::window(), nullptr);
}

TEST_F(PushBannerTest, ForeignAndMalformedPayloadsAreIgnored)
{
    Kesvor::initWithToken("tok");
    const QList<QVariantMap> payloads{
        {},
        {{"aps", "text"}},
        {{"aps", QVariantMap{}}},
        {{"aps", QVariantMap{{"alert", "no category"}}}},
        {{"aps", QVariantMap{{"category", 7}}}},
        {{"aps", QVariantMap{{"category", QVariantList{PUSH_CATEGORY_IDENTIFIER}}}}},
        {{"aps", QVariantMap{{"category", "shop.order"}, {"alert", "Sent"}}}},
        {{"category", PUSH_CATEGORY_IDENTIFIER}},
    };
    for (const auto state : {ui::Application::State::Active, ui::Application::State::Background}) {
        ui::Application::shared().setApplicationState(state);
        for (const QVariantMap& payload : payloads)
            Kesvor::didReceiveRemoteNotification(payload);
    }
    EXPECT_EQ(banner(), nullptr);
    EXPECT_EQ(KesvorWindows::window(), nullptr);
}
