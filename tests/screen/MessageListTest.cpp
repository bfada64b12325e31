// The message list of the conversation screen: pages, item sizes and the
// frames of its bubbles and headers.
#include "screen/ConversationTest.h"

#include "Cells/ChatBubble.h"
#include "Kesvor/SdkImage.h"
#include "View/BubbleBackView.h"
#include "View/ChatTableController.h"
#include "View/ChatViewController.h"
#include "View/HeaderView.h"
#include "support/TestSupport.h"
#include "ui/CollectionView.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TextMeasure.h"

using namespace kesvor;

namespace {

class MessageListTest : public test::ConversationTest {
protected:
    int shownMessages()
    {
        int count = 0;
        for (int section = 0; section < list()->numberOfSections(); ++section)
            count += list()->numberOfItemsInSection(section);
        return count;
    }

    // Where the message's bubble cell is drawn, from the list's top.
    double onScreenTop(const QString& text)
    {
        ChatBubble* bubble = waitForBubble(text, 0);
        return bubble ? bubble->frame().top() - list()->contentOffset().y() : -1e9;
    }

    static double oneLine(const QString& text)
    {
        return ui::sizeForText(text, 320 - 92, ChatBubble::messageFont()).height();
    }
};

} // namespace

TEST_F(MessageListTest, PagesTwentyOlderMessagesPerArrivalAtTheTopKeepingTheTopMessageInPlace)
{
    storeHistory(45);
    openScreen();
    list()->layoutIfNeeded();
    EXPECT_EQ(shownMessages(), 20);
    EXPECT_GT(list()->contentOffset().y(), 0) << "opens at the newest message";
    // At the top, the oldest message shown sits under its day's header.
    const double topOfOldest = list()->layoutAttributesForItem({0, 0})->frame.top();

    wheelToTop();
    EXPECT_EQ(shownMessages(), 40);
    EXPECT_EQ(onScreenTop("message 25"), topOfOldest) << "the message at the top stays in place";
    QCoreApplication::processEvents();
    EXPECT_EQ(shownMessages(), 40) << "one page per arrival at the top";

    wheelToTop();
    EXPECT_EQ(shownMessages(), 45);
    EXPECT_EQ(onScreenTop("message 5"), topOfOldest);
    wheelToTop();
    EXPECT_EQ(shownMessages(), 45);
    EXPECT_EQ(list()->contentOffset().y(), 0);
}

TEST_F(MessageListTest, ItemsAreSizedByTheirTextWithAGapBeforeEachChangeOfSender)
{
    openScreen();
    ASSERT_TRUE(waitForSupportChat());
    ASSERT_TRUE(service().injectMessage({{"userId", customerId()}, {"text", "One"}}));
    ASSERT_TRUE(service().injectMessage({{"userId", customerId()}, {"text", "Two"}}));
    ASSERT_TRUE(waitForBubble("Two"));
    ASSERT_EQ(screen().sendMessgeToServer("Mine", "Mine"), ConversationActions::SendResult::sent);
    ChatBubble* mine = waitForBubble("Mine");
    ASSERT_TRUE(mine);
    ChatBubble* one = waitForBubble("One");
    ChatBubble* two = waitForBubble("Two");
    const double line = oneLine("One");

    // The first of its day and each change of sender start 16 lower; a
    // message from the same sender follows 4 below.
    EXPECT_FRAME(one, 0, 25, 320, line + 40 + 16);
    EXPECT_FRAME(two, 0, one->frame().bottom() + 4, 320, line + 40);
    EXPECT_FRAME(mine, 0, two->frame().bottom() + 4, 320, line + 40 + 16);

    // Bubbles 24 from their side, as wide as the text plus 32, on the
    // 24-point time line at the bottom.
    const double textWidth = ui::sizeForText("One", 0, ChatBubble::messageFont()).width();
    EXPECT_FRAME(one->backView(), 24, 16, textWidth + 32, line + 16);
    EXPECT_FRAME(one->messageLabel(), 16, 8, textWidth, line);
    const double twoWidth = ui::sizeForText("Two", 0, ChatBubble::messageFont()).width() + 32;
    EXPECT_FRAME(two->backView(), 24, 0, twoWidth, line + 16);
    EXPECT_FRAME(one->timeLabel(), 30, line + 32, 290, 24);
    const double mineWidth = ui::sizeForText("Mine", 0, ChatBubble::messageFont()).width() + 32;
    EXPECT_FRAME(mine->backView(), 320 - 24 - mineWidth, 16, mineWidth, line + 16);
    const auto* right = qobject_cast<CollectionCellRight*>(mine);
    EXPECT_FRAME(right->messageStatusImageView(), 320 - 30 - 24, line + 32, 24, 24);
    EXPECT_EQ(right->timeLabel()->frame().right(), 320 - 30 - 24 - 8);
    EXPECT_EQ(one->backView()->type(), BubbleCellType::left);
    EXPECT_EQ(mine->backView()->type(), BubbleCellType::right);

    // The day's header: a 20-point pill 5 below the top, centred.
    const auto* header = qobject_cast<const HeaderView*>(
        list()->supplementaryView(ui::CollectionElementKindSectionHeader, {0, 0}));
    ASSERT_TRUE(header);
    EXPECT_FRAME(header, 0, 0, 320, 25);
    const double pill = header->headerLabel()->intrinsicContentSize().width() + 20;
    EXPECT_FRAME(header->backView(), (320 - pill) / 2, 5, pill, 20);

    // A long text wraps inside a bubble at most 320 - 60 wide.
    const QString paragraph = QStringLiteral(
        "Thank you for waiting. An agent will look at your order and come back to you with "
        "the delivery date within the next few minutes.");
    ASSERT_TRUE(service().injectMessage({{"userId", customerId()}, {"text", paragraph}}));
    ChatBubble* longOne = waitForBubble(paragraph);
    ASSERT_TRUE(longOne);
    const QSizeF wrapped = ui::sizeForText(paragraph, 320 - 92, ChatBubble::messageFont());
    EXPECT_GT(wrapped.height(), 2 * line);
    EXPECT_EQ(longOne->frame().height(), wrapped.height() + 40 + 16);
    EXPECT_LE(longOne->backView()->frame().width(), 260);
    EXPECT_EQ(longOne->messageLabel()->frame().size(), QSizeF(260 - 32, wrapped.height()));
}
