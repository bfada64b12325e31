// The conversation screen's views on their own: exact frames against their
// layout numbers, and what they do with their state.
#include "ui/UiTest.h"

#include "Cells/ChatBubble.h"
#include "Cells/QuickTextCell.h"
#include "KTextView/KTextView.h"
#include "KUserInputView/KUserInputView.h"
#include "Kesvor/SdkImage.h"
#include "Models/ButtonModel.h"
#include "View/BubbleBackView.h"
#include "View/ConversationNotifications.h"
#include "View/KNavBarView.h"
#include "View/NetworkStatusView.h"
#include "View/QuickReplyView.h"
#include "foundation/NotificationCenter.h"
#include "ui/ActivityIndicatorView.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TextMeasure.h"

#include <QtTest/QTest>
#include <QtWidgets/QTextEdit>

using namespace kesvor;

namespace {

class ScreenViewsTest : public test::UiTest {
protected:
    // A view placed full width at the top of a 320-point root.
    template <typename V> V* placed(V* view, double rootHeight = 568)
    {
        ui::View* root = makeRoot(320, rootHeight);
        view->setTranslatesAutoresizingMaskIntoConstraints(false);
        root->addSubview(view);
        root->addConstraints("H:|[v0]|", {view});
        return view;
    }
};

} // namespace

TEST_F(ScreenViewsTest, NavigationBarPlacesItsCloseButtonRuleAndTitle)
{
    auto* bar = placed(new KNavBarView);
    bar->superview()->addConstraints("V:|[v0(==64)]", {bar});
    bar->layoutIfNeeded();
    EXPECT_FRAME(bar->closeButton(), 10, 20, 44, 44);
    EXPECT_FRAME(bar->lineView(), 0, 63.5, 320, 0.5);
    EXPECT_EQ(bar->titleLabel()->frame().center(), QPointF(160, 42));
    EXPECT_EQ(bar->statusView()->frame().center(), QPointF(160, 42));
    // The status is the spinner, 10 points, then its text.
    NetworkStatusView* status = bar->statusView();
    EXPECT_EQ(status->titleLabel()->frame().x(), status->indicator()->frame().right() + 10);
    EXPECT_EQ(status->frame().width(), status->titleLabel()->frame().right());

    bar->setStatusViewVisisbility(true);
    EXPECT_TRUE(status->isHidden());
    EXPECT_FALSE(bar->titleLabel()->isHidden());
    EXPECT_FALSE(status->indicator()->isAnimating());
    bar->setStatusViewVisisbility(false);
    EXPECT_FALSE(status->isHidden());
    EXPECT_TRUE(bar->titleLabel()->isHidden());
    EXPECT_TRUE(status->indicator()->isAnimating());
}

TEST_F(ScreenViewsTest, InputBarGrowsWithItsTextUpToItsCapThenScrolls)
{
    auto* bar = placed(new KUserInputView);
    ui::LayoutConstraint bottom(bar, ui::LayoutAttribute::Bottom, ui::LayoutRelation::Equal,
                                bar->superview(), ui::LayoutAttribute::Bottom);
    bottom.setActive(true);
    bar->layoutIfNeeded();
    EXPECT_FRAME(bar, 0, 568 - 45, 320, 45);
    EXPECT_FRAME(bar->inputTextView(), 10, 4, 320 - 10 - 10 - 58.5 - 4, 37);
    EXPECT_FRAME(bar->sendButton(), 320 - 4 - 58.5, 4, 58.5, 37);
    EXPECT_FRAME(bar->dimView(), 0, 0, 320, 45);
    EXPECT_EQ(bar->inputTextView()->placeHolderLabel()->text(), "Type something...");
    EXPECT_EQ(bar->inputTextView()->placeHolderLabel()->frame().x(), 5);

    // Every line grows it, up to six; beyond, the text scrolls inside.
    QTextEdit* edit = bar->inputTextView()->textEdit();
    QTest::keyClicks(edit, "one");
    for (int line = 2; line <= 12; ++line) {
        QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(edit, QString::number(line));
    }
    bar->layoutIfNeeded();
    KTextView* text = bar->inputTextView();
    const double sixLines = 8 + 6 * QFontMetricsF(text->font()).height() + 8;
    EXPECT_EQ(text->maximumHeightForTextView(), sixLines);
    EXPECT_EQ(text->frame().height(), sixLines);
    EXPECT_EQ(bar->frame().height(), sixLines + 8);
    EXPECT_GT(text->contentSize().height(), sixLines);

    // An owner with less room caps it lower, never below 37.
    text->setMaximumHeightForTextView(60);
    bar->layoutIfNeeded();
    EXPECT_EQ(text->frame().height(), 60);
    text->setMaximumHeightForTextView(10);
    EXPECT_EQ(text->maximumHeightForTextView(), 37);
    bar->clearText();
    bar->layoutIfNeeded();
    EXPECT_EQ(text->frame().height(), 37);
    EXPECT_FALSE(bar->sendButton()->isUserInteractionEnabled());
}

TEST_F(ScreenViewsTest, QuickRepliesAreCentredWhenTheyFitAndTapsSendTheirPayload)
{
    auto* strip = placed(new QuickReplyView);
    strip->superview()->addConstraints("V:|[v0(==60)]", {strip});
    strip->layoutIfNeeded();
    strip->setReplies({ButtonModel::initWithTitleAndValue("Yes", "YES_PAYLOAD"),
                       ButtonModel::initWithTitleAndValue("No", "NO_PAYLOAD")});
    strip->layoutIfNeeded();
    const QFont font = QuickTextCell::titleFont();
    const double yes = ui::sizeForText("Yes", 320, font).width() + 20;
    const double no = ui::sizeForText("No", 320, font).width() + 20;
    ui::CollectionView* pills = strip->collectionView();
    auto* first = qobject_cast<QuickTextCell*>(pills->cellForItem({0, 0}));
    auto* second = qobject_cast<QuickTextCell*>(pills->cellForItem({0, 1}));
    ASSERT_TRUE(first && second);
    // Each reply counts its item and 5 of spacing.
    const double left = (320 - (yes + 5 + no + 5)) * 0.5;
    EXPECT_FRAME(first, left, 0, yes, 60);
    EXPECT_FRAME(second, left + yes + 5, 0, no, 60);
    EXPECT_FRAME(first->quickButton(), 0, 14, yes, 32);
    EXPECT_EQ(first->quickButton()->cornerRadius(), 16);

    QVariantMap posted;
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(SendMessageNotification),
        [&](const foundation::Notification& notification) { posted = notification.userInfo; });
    QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {},
                      first->quickButton()->convert(QPointF(10, 16), nullptr).toPoint());
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(posted, (QVariantMap{{"text", "Yes"}, {"messageKeyword", "YES_PAYLOAD"}}));

    // Replacing the replies replaces the strip at once; none shows nothing.
    strip->setReplies({});
    strip->layoutIfNeeded();
    EXPECT_TRUE(pills->visibleCells().isEmpty());
}

TEST_F(ScreenViewsTest, BubblesFollowTheirCellsWidthAndShowOnlyKnownStatuses)
{
    // Made with no width, as the list makes cells: the bubble's limit follows
    // the width the cell gets later.
    auto* cell = new CollectionCellLeft;
    EXPECT_EQ(cell->maximumBubbleWidth(), 0);
    ui::View* root = makeRoot(320, 200);
    root->addSubview(cell);
    const QString paragraph = QStringLiteral(
        "A long answer that certainly needs more than one line in a bubble on a narrow screen.");
    cell->messageLabel()->setText(paragraph);
    const double height = ui::sizeForText(paragraph, 320 - 92, ChatBubble::messageFont()).height();
    cell->setFrame(QRectF(0, 0, 320, height + 40));
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->maximumBubbleWidth(), 260);
    EXPECT_LE(cell->backView()->frame().width(), 260);
    EXPECT_EQ(cell->backView()->frame().y(), 0);
    cell->setFrame(QRectF(0, 0, 400, height + 40));
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->maximumBubbleWidth(), 340);

    // The status icon: the three known states show theirs; anything else none.
    auto* right = new CollectionCellRight;
    root->addSubview(right);
    for (const char* status : {"sending", "sent", "seen"}) {
        right->setMessageStatus(status);
        ASSERT_TRUE(right->messageStatusImageView()->image());
        EXPECT_EQ(right->messageStatusImageView()->image()->bitmap(), sdkImage(status)->bitmap());
    }
    right->setMessageStatus("delivered");
    EXPECT_FALSE(right->messageStatusImageView()->image()) << "a reused cell shows no old icon";
    right->setMessageStatus("seen");
    right->setMessageStatus("unsent");
    EXPECT_FALSE(right->messageStatusImageView()->image());
}

TEST_F(ScreenViewsTest, BubbleMasksSquareTheCornerOnTheSpeakersSide)
{
    for (const auto type : {BubbleCellType::left, BubbleCellType::right}) {
        auto* back = new BubbleBackView(type);
        ui::View* root = makeRoot(200, 100);
        root->addSubview(back);
        back->setFrame(QRectF(0, 0, 120, 40));
        back->layoutIfNeeded();
        const QPainterPath mask = *back->maskPath();
        const bool left = type == BubbleCellType::left;
        EXPECT_EQ(mask.contains(QPointF(0.5, 39.5)), left);
        EXPECT_EQ(mask.contains(QPointF(119.5, 39.5)), !left);
        EXPECT_FALSE(mask.contains(QPointF(0.5, 0.5)));
        EXPECT_FALSE(mask.contains(QPointF(119.5, 0.5)));
    }
}

TEST_F(ScreenViewsTest, StretchableBubbleImagesKeepTheirCaps)
{
    const ui::Image image = *sdkImage("sent");
    EXPECT_EQ(strechableIncomingMessagebubble(image).capInsets(), (ui::EdgeInsets{15, 20, 20, 14}));
    EXPECT_EQ(strechableOutgoingMessagebubble(image).capInsets(), (ui::EdgeInsets{15, 20, 15, 20}));
}
