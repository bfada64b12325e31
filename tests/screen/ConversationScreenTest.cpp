// The conversation screen as a customer uses it, against the stand-in service.
#include "screen/ConversationTest.h"

#include "Cells/ChatBubble.h"
#include "Cells/QuickTextCell.h"
#include "KTextView/KTextView.h"
#include "KUserInputView/KUserInputView.h"
#include "Kesvor/KesvorWindows.h"
#include "Kesvor/SdkImage.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "View/ChatViewController.h"
#include "View/HeaderView.h"
#include "View/KNavBarView.h"
#include "View/NetworkStatus.h"
#include "View/NetworkStatusView.h"
#include "View/QuickReplyView.h"
#include "View/SharedColors.h"
#include "kesvor/Kesvor.h"
#include "net/NetworkReachability.h"
#include "support/TestSupport.h"
#include "ui/ActivityIndicatorView.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/ImageView.h"
#include "ui/Keyboard.h"
#include "ui/Label.h"
#include "ui/Window.h"

#include <QtGui/QAccessible>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTextEdit>

using namespace kesvor;

namespace {

class ConversationScreenTest : public test::ConversationTest {
protected:
    KUserInputView* bar() { return screen().userInputView(); }
    QTextEdit* input() { return bar()->inputTextView()->textEdit(); }
    KNavBarView* navBar() { return screen().navBarView(); }

    bool showsConnecting()
    {
        return !navBar()->statusView()->isHidden() && navBar()->titleLabel()->isHidden() &&
               !bar()->dimView()->isHidden();
    }
    bool showsSupportChat()
    {
        return navBar()->statusView()->isHidden() && !navBar()->titleLabel()->isHidden() &&
               bar()->dimView()->isHidden();
    }

    static std::pair<QString, QAccessible::Role> accessible(QObject* object)
    {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
        if (!face)
            return {};
        return {face->text(QAccessible::Name), face->role()};
    }

    static net::SocketIOStatus socketStatus()
    {
        return SocketManager::sharedInstance()->socket()->status();
    }

    std::optional<QString> alertMessage()
    {
        const auto* alert = qobject_cast<ui::AlertController*>(screen().presentedViewController());
        return alert ? std::optional(alert->message()) : std::nullopt;
    }

    QVariantMap lastSent()
    {
        const QVariantList sent = received("chat-msg");
        return sent.isEmpty() ? QVariantMap()
                              : sent.last().toMap()["items"].toList().value(0).toMap();
    }
};

QImage iconOf(ChatBubble* bubble)
{
    const auto* right = qobject_cast<CollectionCellRight*>(bubble);
    const auto& image = right ? right->messageStatusImageView()->image() : std::nullopt;
    return image ? image->bitmap() : QImage();
}

QImage bundleIcon(const char* name)
{
    return sdkImage(QString::fromLatin1(name))->bitmap();
}

} // namespace

TEST_F(ConversationScreenTest, ConnectsAndTalksWithTheBotFromTheKeyboard)
{
    openScreen();
    // Until the session connects: "Connecting.." with its spinner, the input dimmed.
    EXPECT_TRUE(showsConnecting());
    EXPECT_TRUE(navBar()->statusView()->indicator()->isAnimating());
    EXPECT_EQ(navBar()->statusView()->titleLabel()->text(), "Connecting..");
    EXPECT_TRUE(test::waitUntil([&] { return QApplication::focusWidget() == input(); }))
        << "the input has the focus when the screen opens";

    // Names and roles for assistive technology.
    EXPECT_EQ(accessible(navBar()->closeButton()),
              std::pair(QString("Close"), QAccessible::Button));
    EXPECT_EQ(accessible(input()), std::pair(QString("Message"), QAccessible::EditableText));
    EXPECT_EQ(accessible(bar()->sendButton()), std::pair(QString("Send"), QAccessible::Button));
    EXPECT_EQ(accessible(navBar()->statusView()),
              std::pair(QString("Connecting.."), QAccessible::ProgressBar));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(bar()->sendButton())->state().disabled);

    ASSERT_TRUE(waitForSupportChat());
    EXPECT_TRUE(showsSupportChat());
    EXPECT_EQ(navBar()->titleLabel()->text(), "Support Chat");
    EXPECT_FALSE(navBar()->statusView()->indicator()->isAnimating())
        << "no spinner runs while nothing moves";
    // The first appearance and the network listener's first report both
    // started the chain: one sign-up.
    EXPECT_GE(console().count(NetworkStatus::reachableOverWiFiLine), 1);
    EXPECT_EQ(requests(WebServiceManager::signUpPath).size(), 1);

    // Typing turns Send blue and shrinks the placeholder away; emptying the
    // input turns it back.
    type("Hi");
    EXPECT_TRUE(bar()->sendButton()->isUserInteractionEnabled());
    EXPECT_EQ(bar()->sendButton()->backgroundColor(), BUTTON_TEXT_COLOR);
    EXPECT_EQ(bar()->sendButton()->currentTitleColor(), ui::Color::white());
    EXPECT_EQ(bar()->inputTextView()->placeHolderLabel()->transform(),
              QTransform::fromScale(0.001, 0.001));
    press(Qt::Key_Backspace);
    press(Qt::Key_Backspace);
    EXPECT_FALSE(bar()->sendButton()->isUserInteractionEnabled());
    EXPECT_EQ(bar()->sendButton()->backgroundColor(), ui::Color::white(239.0 / 255));
    EXPECT_EQ(bar()->sendButton()->currentTitleColor(), ui::Color::white(137.0 / 255));
    EXPECT_EQ(bar()->inputTextView()->placeHolderLabel()->transform(), QTransform());

    // Return on an empty input sends nothing; Shift+Return starts a line.
    press(Qt::Key_Return);
    EXPECT_TRUE(storedMessages().isEmpty());
    type("Hello");
    press(Qt::Key_Return, Qt::ShiftModifier);
    type("there");
    EXPECT_EQ(input()->toPlainText(), "Hello\nthere");
    press(Qt::Key_Return);
    EXPECT_EQ(input()->toPlainText(), "");

    // Stored at once as a right bubble with the "sending" icon; out a
    // second later; the echo and the bot's "seen" change the icon.
    ChatBubble* mine = waitForBubble("Hello\nthere");
    ASSERT_TRUE(mine);
    EXPECT_TRUE(qobject_cast<CollectionCellRight*>(mine));
    EXPECT_EQ(iconOf(mine), bundleIcon("sending"));
    EXPECT_TRUE(received("chat-msg").isEmpty());
    advance(1000);
    ASSERT_TRUE(test::waitUntil([&] { return received("chat-msg").size() == 1; }));
    EXPECT_EQ(lastSent()["msgKeyWord"], "Hello\nthere");
    ASSERT_TRUE(test::waitUntil([&] {
        ChatBubble* shown = waitForBubble("Hello\nthere", 0);
        return shown && iconOf(shown) == bundleIcon("seen");
    }));

    // The bot's answer: a left bubble in today's section.
    ChatBubble* reply = waitForBubble("Hello! How can I help you today?");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(qobject_cast<CollectionCellLeft*>(reply));
    const auto* header =
        screen().chatTableView()->supplementaryView(ui::CollectionElementKindSectionHeader, {0, 0});
    ASSERT_TRUE(header);
    EXPECT_EQ(qobject_cast<const HeaderView*>(header)->headerLabel()->text(), "Today");

    // Escape closes the screen, which lets the session go.
    press(Qt::Key_Escape);
    advance(350);
    EXPECT_TRUE(test::waitUntil([] { return !KesvorWindows::window(); }));
    EXPECT_TRUE(
        test::waitUntil([] { return socketStatus() == net::SocketIOStatus::disconnected; }));
}

TEST_F(ConversationScreenTest, ADropDimsTheInputAndASendThenKeepsTheText)
{
    openScreen();
    ASSERT_TRUE(waitForSupportChat());
    ASSERT_EQ(service().dropConnections("transport", 2000), 1);
    ASSERT_TRUE(test::waitUntil([&] { return showsConnecting(); }));
    EXPECT_TRUE(navBar()->statusView()->indicator()->isAnimating());

    // The text stays in the input and the customer is told why.
    type("still there?");
    press(Qt::Key_Return);
    EXPECT_EQ(alertMessage(), "Wait for connection to server.");
    EXPECT_EQ(input()->toPlainText(), "still there?");
    EXPECT_TRUE(storedMessages().isEmpty());
    // Escape closes the alert, not the screen.
    press(Qt::Key_Escape);
    advance(200);
    EXPECT_FALSE(alertMessage());
    EXPECT_TRUE(KesvorWindows::window());

    ASSERT_TRUE(waitForSupportChat());
    EXPECT_TRUE(showsSupportChat());
    click(bar()->sendButton());
    EXPECT_TRUE(waitForBubble("still there?"));
    EXPECT_EQ(input()->toPlainText(), "");
}

TEST_F(ConversationScreenTest, QuickRepliesShowAboveTheBarSendTheirPayloadAndHide)
{
    openScreen();
    ASSERT_TRUE(waitForSupportChat());
    ASSERT_TRUE(service().sendTemplate({{"userId", customerId()}, {"kind", "quick"}}));
    ASSERT_TRUE(waitForBubble("What would you like to see?"));
    ASSERT_TRUE(test::waitUntil([&] { return screen().isShowingQuickReply(); }));
    QuickReplyView* strip = screen().quickReplyView();
    screen().view()->layoutIfNeeded();
    const double barHeight = bar()->frame().height();
    EXPECT_EQ(strip->topBottomConstraint().constant(), 0);
    EXPECT_FRAME(strip, 0, 568 - barHeight - 60, 320, 60);
    QStringList titles;
    for (const ButtonModel& reply : strip->replies())
        titles << reply.title();
    EXPECT_EQ(titles, (QStringList{"Cards", "Buttons", "Choices", "E-mail form", "A link"}));
    ui::CollectionView* list = screen().chatTableView();
    EXPECT_EQ(list->contentInset().bottom, barHeight + 60 + 20);

    // A keyboard (its notifications posted as the platform would) lifts the
    // bar, the strip and the list's inset; its going brings them back.
    ui::Keyboard::shared().setKeyboardFrame(true, QRectF(0, 568 - 216, 320, 216));
    advance(250);
    EXPECT_EQ(screen().kbHeight(), 216);
    EXPECT_EQ(list->contentInset().bottom, 216 + barHeight + 60 + 20);
    EXPECT_FRAME(bar(), 0, 568 - 216 - barHeight, 320, barHeight);
    EXPECT_FRAME(strip, 0, 568 - 216 - barHeight - 60, 320, 60);
    ui::Keyboard::shared().setKeyboardFrame(false, QRectF(0, 568, 320, 216));
    advance(250);
    EXPECT_EQ(list->contentInset().bottom, barHeight + 60 + 20);
    EXPECT_FRAME(bar(), 0, 568 - barHeight, 320, barHeight);

    // The strip is wider than the screen: it starts 20 in and scrolls.
    ui::CollectionView* pills = strip->collectionView();
    pills->layoutIfNeeded();
    auto* first = qobject_cast<QuickTextCell*>(pills->cellForItem({0, 0}));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->frame().x(), 20);
    click(first->quickButton());
    advance(1000);
    ASSERT_TRUE(test::waitUntil([&] { return received("chat-msg").size() == 1; }));
    EXPECT_EQ(lastSent()["msg"], (QVariantMap{{"message", QVariantMap{{"text", "Cards"}}}}));
    EXPECT_EQ(lastSent()["msgKeyWord"], "cards");

    // The bot answers with cards, which have no quick replies: the strip hides.
    ASSERT_TRUE(test::waitUntil([&] { return !screen().isShowingQuickReply(); }));
    EXPECT_EQ(strip->topBottomConstraint().constant(), 60);
    EXPECT_EQ(list->contentInset().bottom, barHeight + 20);
}

TEST_F(ConversationScreenTest, BackgroundLetsTheSessionGoAndActiveBringsItBack)
{
    openScreen();
    ASSERT_TRUE(waitForSupportChat());
    ui::Application::shared().setApplicationState(ui::Application::State::Background);
    EXPECT_EQ(socketStatus(), net::SocketIOStatus::disconnected);
    EXPECT_TRUE(test::waitUntil([&] { return showsConnecting(); }));
    ui::Application::shared().setApplicationState(ui::Application::State::Active);
    ASSERT_TRUE(waitForSupportChat());
    EXPECT_EQ(socketStatus(), net::SocketIOStatus::connected);
}

TEST_F(ConversationScreenTest, ASecondShowKeepsTheNewScreenConnected)
{
    openScreen();
    ASSERT_TRUE(waitForSupportChat());
    QPointer<ChatViewController> first = &screen();
    openScreen();
    ASSERT_NE(&screen(), first.data());
    ASSERT_TRUE(waitForSupportChat());
    // The first screen goes later; its teardown leaves the new session alone.
    ASSERT_TRUE(test::waitUntil([&] { return !first; }));
    // What the teardown set off has been handled by now.
    QCoreApplication::processEvents();
    EXPECT_TRUE(showsSupportChat());
    EXPECT_EQ(socketStatus(), net::SocketIOStatus::connected);
    // The network listener still follows the network for the new screen.
    net::NetworkReachability::setFlagsSource([](const QString&) { return 0u; });
    net::NetworkReachability::flagsMayHaveChanged();
    EXPECT_TRUE(test::waitUntil([&] { return showsConnecting(); }));
    net::NetworkReachability::setFlagsSource({});
}

TEST_F(ConversationScreenTest, RapidSendsAreEachStoredAndSentInOrder)
{
    openScreen();
    ASSERT_TRUE(waitForSupportChat());
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(screen().sendMessgeToServer(QString::number(i), QString::number(i)),
                  ConversationActions::SendResult::sent)
            << "message " << i;
    const QVariantList stored = storedMessages();
    ASSERT_EQ(stored.size(), 30) << "no two sends merged";
    for (int i = 1; i < stored.size(); ++i)
        EXPECT_LT(stored[i - 1].toMap()["createdOn"].toDateTime(),
                  stored[i].toMap()["createdOn"].toDateTime());
    advance(1000);
    ASSERT_TRUE(test::waitUntil([&] { return received("chat-msg").size() == 30; }));
}

TEST_F(ConversationScreenTest, TheGrowingInputStopsBelowTheNavigationBar)
{
    openScreen();
    // A tall keyboard leaves 96 points for the text view.
    ui::Keyboard::shared().setKeyboardFrame(true, QRectF(0, 568 - 400, 320, 400));
    advance(250);
    for (int line = 1; line <= 10; ++line) {
        type(QStringLiteral("line %1").arg(line));
        press(Qt::Key_Return, Qt::ShiftModifier);
    }
    screen().view()->layoutIfNeeded();
    EXPECT_EQ(bar()->inputTextView()->frame().height(), 568 - 64 - 400 - 8);
    EXPECT_FRAME(bar(), 0, 64, 320, 568 - 64 - 400);
    EXPECT_GT(bar()->inputTextView()->contentSize().height(), 96) << "the rest scrolls inside";
    // Without the keyboard there is room for six lines.
    ui::Keyboard::shared().setKeyboardFrame(false, QRectF(0, 568, 320, 400));
    advance(250);
    screen().view()->layoutIfNeeded();
    EXPECT_EQ(bar()->inputTextView()->frame().height(),
              bar()->inputTextView()->maximumHeightForTextView());
    EXPECT_GT(bar()->frame().y(), 64);
}
