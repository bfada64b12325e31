#include "ui/UiTest.h"

#include "Kesvor/KesvorAlertController.h"
#include "Kesvor/KesvorPrivate.h"
#include "Kesvor/KesvorWindows.h"
#include "Kesvor/SdkImage.h"
#include "kesvor/Kesvor.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

#include <QtCore/QThread>
#include <QtTest/QTest>

using namespace kesvor;

namespace {

constexpr int slideMs = 300;

class KesvorWindowTest : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        KesvorPrivate::setBusinessToken(QStringLiteral("tok"));
        // Slides and alerts move only when the test moves the clock.
        driveClock();
    }

    void TearDown() override
    {
        KesvorWindows::setWindow(nullptr);
        UiTest::TearDown();
    }

    // A conversation window with a plain controller: the alerts are tested
    // without the screen, whose start-up chain would raise alerts of its own.
    void openPlainWindow()
    {
        auto* window = new ui::Window(QRectF(0, 0, hostWidth, hostHeight));
        KesvorWindows::setWindow(window);
        window->makeKeyAndVisible();
        window->setRootViewController(new ui::ViewController);
    }

    static ui::AlertController* shownAlert()
    {
        ui::Window* window = KesvorWindows::window();
        if (!window || !window->rootViewController())
            return nullptr;
        return qobject_cast<ui::AlertController*>(
            window->rootViewController()->presentedViewController());
    }

    static void tapOk(ui::AlertController* alert)
    {
        ui::Button* ok = alert->buttonForAction(0);
        ASSERT_NE(ok, nullptr);
        // What the user can tap has been laid out.
        ASSERT_TRUE(test::waitUntil([ok] { return ok->isVisible() && !ok->rect().isEmpty(); }));
        QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
    }

    // Runs the deferred deletions the event loop would run next.
    static bool released(const QPointer<ui::Window>& window)
    {
        return test::waitUntil([&] { return !window; });
    }
};

} // namespace

TEST_F(KesvorWindowTest, ShowSlidesAWindowUpOverTheHost)
{
    Kesvor::show();
    QPointer<ui::Window> window = KesvorWindows::window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowLevel(), 1);
    EXPECT_EQ(window->frame(), QRectF(0, 0, hostWidth, hostHeight));
    // It starts one screen height down and is drawn there at first.
    EXPECT_EQ(window->presentationFrame().y(), hostHeight);
    ASSERT_NE(window->rootViewController(), nullptr);
    advance(slideMs / 2);
    EXPECT_GT(window->geometry().y(), 0);
    EXPECT_LT(window->geometry().y(), hostHeight);
    advance(slideMs); // past its end, with the frame that ends it
    EXPECT_EQ(window->geometry().y(), 0);

    // A second show replaces and releases the first window.
    Kesvor::show();
    EXPECT_NE(KesvorWindows::window(), window.data());
    EXPECT_TRUE(released(window));
}

TEST_F(KesvorWindowTest, ShowTakesTheHostsFrameAndLiesAboveTheWindowsOnScreen)
{
    // The push banner is the last window: 80 high, at level 3.
    auto* banner = new ui::Window(QRectF(0, 0, hostWidth, 80));
    KesvorWindows::setNotificationWindow(banner);
    banner->makeKeyAndVisible();
    banner->setWindowLevel(3);
    Kesvor::show();
    QPointer<ui::Window> first = KesvorWindows::window();
    EXPECT_EQ(first->frame(), QRectF(0, 0, hostWidth, hostHeight));
    EXPECT_EQ(first->windowLevel(), 4);

    // A released banner and the released conversation window no longer count.
    KesvorWindows::setNotificationWindow(nullptr);
    Kesvor::show();
    EXPECT_EQ(KesvorWindows::window()->frame(), QRectF(0, 0, hostWidth, hostHeight));
    EXPECT_EQ(KesvorWindows::window()->windowLevel(), 1);
    EXPECT_TRUE(test::waitUntil([&] { return !first; }));
}

TEST_F(KesvorWindowTest, ShowNeedsATokenAndAHostWindow)
{
    KesvorPrivate::setBusinessToken(std::nullopt);
    Kesvor::show();
    EXPECT_EQ(KesvorWindows::window(), nullptr);

    KesvorPrivate::setBusinessToken(QStringLiteral("tok"));
    host().hide();
    ui::Application::shared().setHostWindow(nullptr);
    Kesvor::show();
    EXPECT_EQ(KesvorWindows::window(), nullptr);
    host().show();
}

TEST_F(KesvorWindowTest, DismissSlidesDownThenReleasesTheWindow)
{
    // With no window it does nothing and fails at nothing.
    KesvorWindows::dismiss();
    advance(slideMs);
    EXPECT_EQ(KesvorWindows::window(), nullptr);

    Kesvor::show();
    QPointer<ui::Window> window = KesvorWindows::window();
    advance(slideMs);
    KesvorWindows::dismiss();
    EXPECT_EQ(window->frame().y(), hostHeight);
    advance(slideMs / 2);
    EXPECT_EQ(KesvorWindows::window(), window.data()) << "still sliding";
    advance(slideMs);
    EXPECT_EQ(KesvorWindows::window(), nullptr);
    EXPECT_TRUE(released(window));

    // present() brings a window that was slid away back up.
    Kesvor::show();
    window = KesvorWindows::window();
    window->setFrame(QRectF(0, hostHeight, hostWidth, hostHeight));
    KesvorWindows::present();
    EXPECT_EQ(window->frame().y(), 0);
}

TEST_F(KesvorWindowTest, AWindowShownDuringADismissalStays)
{
    Kesvor::show();
    QPointer<ui::Window> first = KesvorWindows::window();
    KesvorWindows::dismiss();
    advance(slideMs / 3);
    Kesvor::show();
    QPointer<ui::Window> second = KesvorWindows::window();
    ASSERT_NE(second, first);
    advance(2 * slideMs);
    EXPECT_EQ(KesvorWindows::window(), second.data());
    EXPECT_TRUE(released(first));
}

TEST_F(KesvorWindowTest, AlertsNeedTheConversationWindow)
{
    KesvorAlertController::showAlert(
        "No internet connection. Please check your internet settings.");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(KesvorWindows::window(), nullptr);
    EXPECT_EQ(shownAlert(), nullptr);
}

TEST_F(KesvorWindowTest, OkOfTheStandardAlertClosesTheConversation)
{
    openPlainWindow();
    const QString message = "Something went wrong. Please try again in sometime.";
    KesvorAlertController::showAlert(message);
    ui::AlertController* alert = shownAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Alert");
    EXPECT_EQ(alert->message(), message);
    ASSERT_EQ(alert->actions().size(), 1);
    EXPECT_EQ(alert->actions().first().title(), "OK");
    EXPECT_EQ(alert->actions().first().style(), ui::AlertActionStyle::Cancel);

    tapOk(alert);
    // The conversation slides away first.
    advance(slideMs / 2);
    EXPECT_NE(KesvorWindows::window(), nullptr);
    advance(slideMs);
    EXPECT_EQ(KesvorWindows::window(), nullptr);
}

TEST_F(KesvorWindowTest, OkWithoutDismissalOnlyClosesTheAlert)
{
    openPlainWindow();
    // Raised off the main thread, it still shows on the main one.
    QThread* worker = QThread::create([] {
        KesvorAlertController::showAlertWithoutDismissal("Please enter valid email format.");
    });
    worker->start();
    worker->wait();
    delete worker;
    ASSERT_TRUE(test::waitUntil([] { return shownAlert() != nullptr; }));
    tapOk(shownAlert());
    advance(10 * slideMs);
    EXPECT_NE(KesvorWindows::window(), nullptr);
    EXPECT_EQ(shownAlert(), nullptr);
}

TEST_F(KesvorWindowTest, BundleImagesLoadByName)
{
    for (const QString name : {"seen", "sending", "sent", "closeButtonImg", "refreshImg"}) {
        const auto image = sdkImage(name);
        ASSERT_TRUE(image) << name.toStdString();
        EXPECT_EQ(image->size(), QSizeF(24, 24)) << name.toStdString();
    }
    EXPECT_FALSE(sdkImage("missing"));
    EXPECT_FALSE(sdkImage(""));
    EXPECT_FALSE(sdkImage("../Info.json"));
}
