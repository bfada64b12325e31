#include "ui/UiTest.h"

#include "foundation/NotificationCenter.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/BABFrameObservingInputAccessoryView.h"
#include "ui/Button.h"
#include "ui/Keyboard.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

#include <QtTest/QTest>

using namespace kesvor;
using namespace kesvor::ui;

namespace {

class WindowTest : public test::UiTest {};

class RecordingController : public ViewController {
public:
    QStringList* calls;
    explicit RecordingController(QStringList* log)
        : calls(log)
    {
    }
    void viewDidLoad() override { calls->append("didLoad"); }
    void viewWillAppear(bool) override { calls->append("willAppear"); }
    void viewDidAppear(bool) override { calls->append("didAppear"); }
    void viewWillDisappear(bool) override { calls->append("willDisappear"); }
    void viewDidDisappear(bool) override { calls->append("didDisappear"); }
};

} // namespace

TEST_F(WindowTest, WindowsOverlayTheHostInLevelOrder)
{
    Application& application = Application::shared();
    ASSERT_EQ(application.windows().size(), 1);
    EXPECT_EQ(application.windows().first().frame, QRectF(0, 0, hostWidth, hostHeight));
    EXPECT_EQ(application.windows().first().window, nullptr);

    auto* high = new Window(QRectF(0, 0, hostWidth, 80));
    high->setWindowLevel(2);
    auto* low = new Window(QRectF(0, 0, hostWidth, hostHeight));
    low->setWindowLevel(1);
    low->makeKeyAndVisible();
    high->makeKeyAndVisible();
    const auto windows = application.windows();
    ASSERT_EQ(windows.size(), 3);
    EXPECT_EQ(windows[1].window, low);
    EXPECT_EQ(windows[2].window, high);
    EXPECT_EQ(application.keyWindow(), high);
    // The higher level lies on top of the lower one, both over the host.
    EXPECT_EQ(host().childAt(10, 10), high);
    EXPECT_EQ(host().childAt(10, 200), low);

    // Windows that span the host follow it when it is resized; one parked
    // below its bottom edge stays parked there.
    auto* parked = new Window(QRectF(0, hostHeight, hostWidth, hostHeight));
    host().resize(375, 667);
    EXPECT_EQ(low->frame(), QRectF(0, 0, 375, 667));
    EXPECT_EQ(high->frame(), QRectF(0, 0, 375, 80));
    EXPECT_EQ(parked->frame(), QRectF(0, 667, 375, 667));
    delete parked;
    delete high;
    delete low;
    EXPECT_EQ(application.windows().size(), 1);
}

TEST_F(WindowTest, ControllerLoadsOnFirstAccessAndAppearsWithItsWindow)
{
    QStringList calls;
    auto* controller = new RecordingController(&calls);
    EXPECT_FALSE(controller->isViewLoaded());
    controller->view();
    controller->view();
    EXPECT_EQ(calls, QStringList{"didLoad"});

    auto* window = new Window(QRectF(0, 0, hostWidth, hostHeight));
    window->setRootViewController(controller);
    EXPECT_EQ(calls, QStringList{"didLoad"});
    window->makeKeyAndVisible();
    EXPECT_EQ(calls.last(), "willAppear");
    ASSERT_TRUE(test::waitUntil([&] { return calls.last() == "didAppear"; }));
    window->layoutIfNeeded();
    EXPECT_EQ(controller->view()->frame(), QRectF(0, 0, hostWidth, hostHeight));

    delete window;
    EXPECT_EQ(calls,
              (QStringList{"didLoad", "willAppear", "didAppear", "willDisappear", "didDisappear"}));
}

TEST_F(WindowTest, WithoutAHostWindowsStayHidden)
{
    host().hide();
    Application::shared().setHostWindow(nullptr);
    ASSERT_EQ(Application::shared().hostWindow(), nullptr);
    EXPECT_TRUE(Application::shared().windows().isEmpty());
    Window window(QRectF(0, 0, 100, 100));
    window.makeKeyAndVisible();
    EXPECT_FALSE(window.isVisible());
    host().show();
}

TEST_F(WindowTest, AlertShowsOverItsPresenterAndRunsTheTappedAction)
{
    auto* window = new Window(QRectF(0, 0, hostWidth, hostHeight));
    auto* root = new ViewController;
    window->setRootViewController(root);
    window->makeKeyAndVisible();

    QStringList handled;
    auto* alert = new AlertController("Alert", "Something happened.");
    alert->addAction(
        AlertAction("Retry", AlertActionStyle::Default,
                    [&](const AlertAction& action) { handled.append(action.title()); }));
    alert->addAction(AlertAction("OK", AlertActionStyle::Cancel, [&](const AlertAction& action) {
        handled.append(action.title());
    }));
    root->present(alert, true);
    EXPECT_EQ(root->presentedViewController(), alert);
    window->layoutIfNeeded();
    EXPECT_EQ(alert->view()->frame(), window->bounds());

    // Two actions share a row, cancel on the left.
    Button* ok = alert->buttonForAction(1);
    Button* retry = alert->buttonForAction(0);
    ASSERT_TRUE(ok && retry);
    EXPECT_LT(ok->convert(QPointF(), nullptr).x(), retry->convert(QPointF(), nullptr).x());
    EXPECT_EQ(ok->frame().height(), 44);

    // A second alert while one is up is refused.
    QPointer<AlertController> second = new AlertController("Alert", "Again");
    root->present(second, false);
    EXPECT_EQ(root->presentedViewController(), alert);
    EXPECT_FALSE(second && second->presentingViewController());

    const QPointer<AlertController> shown = alert;
    QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
    EXPECT_EQ(handled, QStringList{"OK"});
    EXPECT_EQ(root->presentedViewController(), nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return !shown && !second; }));
    delete window;
}

TEST_F(WindowTest, KeyboardChangesBecomeNotificationsAndFrameReports)
{
    auto& center = foundation::NotificationCenter::defaultCenter();
    QList<foundation::Notification> posted;
    const auto show = center.addObserver(this, Keyboard::willShowNotification,
                                         [&](const auto& note) { posted.append(note); });
    const auto hide = center.addObserver(this, Keyboard::willHideNotification,
                                         [&](const auto& note) { posted.append(note); });
    BABFrameObservingInputAccessoryView accessory(QRectF(0, 0, hostWidth, 0));
    QList<QRectF> frames;
    accessory.setKeyboardFrameChangedBlock(
        [&](bool visible, const QRectF& frame) { frames.append(visible ? frame : QRectF()); });

    const QRectF keyboard(0, 352, hostWidth, 216);
    Keyboard::shared().setKeyboardFrame(true, keyboard);
    Keyboard::shared().setKeyboardFrame(true, keyboard.translated(0, 100));
    Keyboard::shared().setKeyboardFrame(false, QRectF());
    center.removeObserver(this);

    ASSERT_EQ(posted.size(), 2);
    EXPECT_EQ(posted[0].name, Keyboard::willShowNotification);
    EXPECT_EQ(posted[0].userInfo.value(Keyboard::frameEndUserInfoKey).toRectF(), keyboard);
    EXPECT_EQ(posted[0].userInfo.value(Keyboard::animationCurveUserInfoKey).toUInt(), 7u);
    EXPECT_EQ(posted[1].name, Keyboard::willHideNotification);
    EXPECT_EQ(frames, (QList<QRectF>{keyboard, keyboard.translated(0, 100), QRectF()}));
    (void)show;
    (void)hide;
}

namespace {

class PushDelegate : public ApplicationDelegate {
public:
    bool implementsCallbacks = true;
    QList<QByteArray> tokens;
    bool implements(DelegateCallback) const override { return implementsCallbacks; }
    void applicationDidRegisterForRemoteNotifications(Application&,
                                                      const QByteArray& token) override
    {
        tokens.append(token);
    }
};

} // namespace

TEST_F(WindowTest, ApplicationStateAndDelegateCallbacks)
{
    Application& application = Application::shared();
    auto& center = foundation::NotificationCenter::defaultCenter();
    QStringList names;
    for (const QString& name :
         {Application::didEnterBackgroundNotification, Application::didBecomeActiveNotification,
          Application::willResignActiveNotification, Application::willEnterForegroundNotification})
        center.addObserver(this, name, [&](const auto& note) { names.append(note.name); });
    application.setApplicationState(Application::State::Active);
    names.clear();
    application.setApplicationState(Application::State::Background);
    application.setApplicationState(Application::State::Active);
    center.removeObserver(this);
    EXPECT_EQ(names, (QStringList{Application::willResignActiveNotification,
                                  Application::didEnterBackgroundNotification,
                                  Application::willEnterForegroundNotification,
                                  Application::didBecomeActiveNotification}));

    PushDelegate delegate;
    delegate.implementsCallbacks = false;
    application.setDelegate(&delegate);
    EXPECT_FALSE(application.exchangeDeviceTokenHandler([](const auto&, const auto&) {}));
    delegate.implementsCallbacks = true;
    QList<QByteArray> seen;
    ASSERT_TRUE(application.exchangeDeviceTokenHandler(
        [&](const QByteArray& token, const std::function<void()>& original) {
            seen.append(token);
            original();
        }));
    application.didRegisterForRemoteNotifications(QByteArray::fromHex("0aff00"));
    EXPECT_EQ(seen, QList<QByteArray>{QByteArray::fromHex("0aff00")});
    EXPECT_EQ(delegate.tokens, seen);
    application.setDelegate(nullptr);
}
