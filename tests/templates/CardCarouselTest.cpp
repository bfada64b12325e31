// Cards and the carousel that holds them: exact frames against the layout
// numbers, the height of a carousel, paging by drags, reuse and taps.
#include "ui/UiTest.h"

#include "Cells/KCardHolderCell.h"
#include "KCard/KCard.h"
#include "KCard/KCardCell.h"
#include "Models/KCardModel.h"
#include "View/ConversationNotifications.h"
#include "View/ImageLoader.h"
#include "templates/TemplateTestSupport.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/TextMeasure.h"

using namespace kesvor;

namespace {

// An address that is never downloaded: the card keeps room for a picture.
const QString noDownload = QStringLiteral("ftp://pictures.invalid/mug.png");

std::shared_ptr<KCardModel> card(const QString& title, std::optional<QString> subTitle,
                                 bool picture, int buttons)
{
    QList<ButtonModel> list;
    for (int index = 0; index < buttons; ++index)
        list.append(index == 1
                        ? ButtonModel::initWithTitleAndUrl("Read more", "https://e.com/more")
                        : ButtonModel::initWithTitleAndValue(QStringLiteral("Buy %1").arg(index),
                                                             QStringLiteral("BUY_%1").arg(index)));
    return std::make_shared<KCardModel>(title, std::move(subTitle),
                                        picture ? std::optional(noDownload) : std::nullopt,
                                        buttons < 0 ? std::nullopt : std::optional(list));
}

double titleHeight(const QString& text)
{
    return ui::sizeForText(text, 226, ui::Font::systemFont(16, ui::FontWeight::Bold)).height();
}

double subTitleHeight(const QString& text)
{
    return ui::sizeForText(text, 226, ui::Font::systemFont(12)).height();
}

const QString longText = QStringLiteral(
    "A generous cast iron teapot that keeps tea hot for a long time, with a removable "
    "stainless steel infuser, an enamelled inside that does not rust and a handle that "
    "stays cool, in four colours, delivered in a gift box with a card of your choice");

class CardCarouselTest : public test::UiTest {};

} // namespace

TEST_F(CardCarouselTest, CardIsPictureTitleBlockAndButtonsWithOnePointSeparators)
{
    KCard view;
    view.setCardModel(card("Blue mug", std::nullopt, true, 2));
    const double title = titleHeight("Blue mug");
    EXPECT_EQ(view.frame().height(), 117 + 1 + (11 + title + 12) + 90);
    EXPECT_FRAME(view.cardImageView(), 0, 0, 250, 117);
    EXPECT_FRAME(view.labelContainerView(), 0, 118, 250, 11 + title + 12);
    EXPECT_FRAME(view.titleLabel(), 12, 11, 226, title);
    const double buttons = 118 + 11 + title + 12;
    EXPECT_FRAME(view.button1(), 0, buttons + 1, 250, 44);
    EXPECT_FRAME(view.button2(), 0, buttons + 46, 250, 44);
    EXPECT_TRUE(view.button3()->isHidden());

    // Without a picture the white block starts 1 below the top; a subtitle
    // follows 4 below the title; title and subtitle stop at 60 and 80.
    view.setCardModel(card(longText, longText, false, 3));
    ASSERT_GT(titleHeight(longText), 60);
    ASSERT_GT(subTitleHeight(longText), 80);
    EXPECT_EQ(view.cardImageView()->frame().height(), 0);
    EXPECT_EQ(view.labelContainerView()->frame().top(), 1);
    EXPECT_FRAME(view.titleLabel(), 12, 11, 226, 60);
    EXPECT_FRAME(view.subTitleLabel(), 12, 75, 226, 80);
    EXPECT_EQ(view.frame().height(), 1 + (11 + 60 + 4 + 80 + 12) + 135);
    EXPECT_EQ(view.button3()->frame().bottom(), view.frame().height());

    const double subtitle = subTitleHeight("Stoneware");
    view.setCardModel(card("Blue mug", QStringLiteral("Stoneware"), false, 1));
    EXPECT_EQ(view.frame().height(), 1 + (11 + title + 4 + subtitle + 12) + 45);
    EXPECT_TRUE(view.button2()->isHidden());
    EXPECT_TRUE(view.button2()->title().isEmpty());

    // No buttons, absent or more than three: the card ends with its white block.
    for (int count : {-1, 0, 4}) {
        view.setCardModel(card("Blue mug", std::nullopt, true, count));
        EXPECT_EQ(view.frame().height(), 117 + 1 + 11 + title + 12) << count;
        EXPECT_TRUE(view.button1()->isHidden());
    }
}

TEST_F(CardCarouselTest, CarouselIsAsTallAsItsTallestCardAndPagesOneCardPerDrag)
{
    const QList<std::shared_ptr<KCardModel>> cards{card("Short", std::nullopt, false, 1),
                                                   card("Mug", QStringLiteral("Blue"), true, 3),
                                                   card("Tea", std::nullopt, true, 2)};
    const double tallest =
        117 + 1 + 11 + titleHeight("Mug") + 4 + subTitleHeight("Blue") + 12 + 135;
    EXPECT_EQ(KCard::getMaxHeight(cards), tallest);
    EXPECT_EQ(KCard::getMaxHeight({}), 0);

    ui::View* root = makeRoot(320, 568);
    auto* holder = new KCardHolderCell(QRectF(0, 0, 320, tallest + 24));
    root->addSubview(holder);
    holder->setHeight(tallest);
    holder->setCards(cards);
    root->layoutIfNeeded();
    ui::CollectionView* carousel = holder->cardCollectionView();
    carousel->layoutIfNeeded();
    EXPECT_FRAME(carousel, 0, 0, 320, tallest);
    EXPECT_EQ(carousel->contentSize(), QSizeF(254 * 3 + 44, tallest));
    for (int item = 0; item < 2; ++item) {
        const QRectF frame = carousel->cellForItem({0, item})->frame();
        EXPECT_EQ(frame, QRectF(24 + 254 * item, 0, 250, tallest));
    }
    EXPECT_FRAME(holder->timeLabel(), 30, tallest, holder->timeLabel()->frame().width(), 24);

    const auto drag = [&](double by, double velocity = 0) {
        carousel->beginDragging();
        carousel->dragBy(QPointF(-by, 0));
        carousel->endDragging(QPointF(velocity, 0));
        return carousel->contentOffset().x();
    };
    EXPECT_EQ(drag(59), 0) << "a slow drag short of 60 comes back";
    EXPECT_EQ(drag(60), 254);
    EXPECT_EQ(drag(10, 0.5), 508 - 22) << "a fling turns the page; the content ends there";
    EXPECT_EQ(holder->currentOffsetX(), 508);
    EXPECT_EQ(drag(0, 0.5), 486) << "never past the last card";
    EXPECT_EQ(holder->currentOffsetX(), 508);
    EXPECT_EQ(drag(-60), 254);
    EXPECT_EQ(drag(-10, -0.5), 0);
    EXPECT_EQ(drag(-10, -0.5), 0) << "never before the first";

    // Reused for another carousel, it starts at the first card.
    drag(60);
    holder->setCards({cards[2], cards[0]});
    EXPECT_EQ(carousel->contentOffset().x(), 0);
    EXPECT_EQ(holder->currentOffsetX(), 0);
    carousel->layoutIfNeeded();
    auto* first = qobject_cast<KCardCell*>(carousel->cellForItem({0, 0}));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->cardModel(), cards[2]);
    EXPECT_EQ(first->cardView()->cardModel1(), cards[2]);
}

TEST_F(CardCarouselTest, CardButtonsActOnTheCardTheyShow)
{
    test::Posted sent(SendMessageNotification);
    test::Posted links(ShowWebViewNotification);
    ui::View* root = makeRoot(320, 568);
    auto* holder = new KCardHolderCell(QRectF(0, 0, 320, 400));
    root->addSubview(holder);
    holder->setHeight(376);
    holder->setCards({card("Mug", std::nullopt, true, 3), card("Tea", std::nullopt, false, 1)});
    root->layoutIfNeeded();
    auto* mug = qobject_cast<KCardCell*>(holder->cardCollectionView()->cellForItem({0, 0}));
    auto* tea = qobject_cast<KCardCell*>(holder->cardCollectionView()->cellForItem({0, 1}));
    ASSERT_TRUE(mug && tea);
    // The card fills its item; the white block stretches down to the buttons.
    EXPECT_FRAME(mug->cardView(), 0, 0, 250, 376);
    EXPECT_EQ(mug->cardView()->button3()->frame().bottom(), 376);

    test::clickView(host(), mug->cardView()->button2());
    ASSERT_EQ(links.all.size(), 1);
    EXPECT_EQ(links.all[0], (QVariantMap{{"url", "https://e.com/more"}}));
    test::clickView(host(), mug->cardView()->button3());
    ASSERT_EQ(sent.all.size(), 1);
    EXPECT_EQ(sent.all[0], (QVariantMap{{"text", "Buy 2"}, {"messageKeyword", "BUY_2"}}));
    EXPECT_TRUE(tea->cardView()->button1()->frame().isValid());
}
