#include "screen/ConversationTest.h"

#include "Cells/QuickTextCell.h"
#include "View/ChatViewController.h"
#include "View/QuickReplyView.h"
#include "support/AgentConsole.h"
#include "support/ChatService.h"
#include "support/TestSupport.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"

using namespace kesvor;

namespace {

// Both sides of one conversation: the customer on the SDK's screen, a
// support agent in the service's agent console in a real browser.
class AgentConsoleConversationTest : public test::ConversationTest {
protected:
    void SetUp() override
    {
        ConversationTest::SetUp();
        ASSERT_TRUE(console.open(service())) << console.error().toStdString();
        ASSERT_FALSE(console.run({{"cmd", "setBot"}, {"enabled", false}}).isEmpty())
            << console.error().toStdString();
    }

    // The console's wait for a row with these values.
    QVariantMap consoleShows(QVariantMap row)
    {
        row.insert("cmd", "waitFor");
        return console.run(row).value("message").toMap();
    }

    test::AgentConsole console;
};

} // namespace

TEST_F(AgentConsoleConversationTest, TheCustomerAndTheAgentSeeOneConversation)
{
    openScreen();
    ASSERT_TRUE(waitForSupportChat());

    // The customer writes; the agent opens the customer's room and sees it.
    type("Where is my order?");
    press(Qt::Key_Return);
    advance(1000);
    ASSERT_FALSE(console.run({{"cmd", "select"}, {"userId", customerId()}}).isEmpty())
        << console.error().toStdString();
    ASSERT_FALSE(consoleShows({{"text", "Where is my order?"}, {"shownAs", "customer"}}).isEmpty())
        << console.error().toStdString();

    // The agent answers; the customer sees it, as the agent's, and it is
    // reported seen back to the console.
    ASSERT_FALSE(
        console.run({{"cmd", "answer"}, {"text", "It left the warehouse today."}}).isEmpty());
    ASSERT_TRUE(waitForBubble("It left the warehouse today."));
    const QVariantMap seenByCustomer =
        consoleShows({{"text", "It left the warehouse today."}, {"customerStatus", "seen"}});
    EXPECT_EQ(seenByCustomer["shownAs"], "agent") << console.error().toStdString();

    // "Mark seen" reaches the customer's stored message.
    ASSERT_FALSE(console.run({{"cmd", "markSeen"}}).isEmpty()) << console.error().toStdString();
    EXPECT_TRUE(test::waitUntil([&] {
        for (const QVariant& message : storedMessages())
            if (message.toMap()["msg"].toMap()["message"].toMap()["text"] == "Where is my order?")
                return message.toMap()["messageSentToAgentStatus"] == "seen";
        return false;
    }));

    // Quick replies from the agent show above the bar; a tap answers with its title.
    ASSERT_FALSE(console.run({{"cmd", "send"}, {"kind", "quick"}}).isEmpty())
        << console.error().toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return screen().isShowingQuickReply(); }));
    ui::CollectionView* pills = screen().quickReplyView()->collectionView();
    pills->layoutIfNeeded();
    auto* first = qobject_cast<QuickTextCell*>(pills->cellForItem({0, 0}));
    ASSERT_TRUE(first);
    const QString title = screen().quickReplyView()->replies().first().title();
    click(first->quickButton());
    advance(1000);
    EXPECT_FALSE(consoleShows({{"text", title}, {"shownAs", "customer"}}).isEmpty())
        << console.error().toStdString();
}
