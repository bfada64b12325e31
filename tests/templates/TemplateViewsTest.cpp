// The button and confusion templates: exact frames against their layout
// numbers with fonts measured as the views measure them, rebinding, and taps.
#include "ui/UiTest.h"

#include "Cells/KButtonTemplateCell.h"
#include "Cells/KConfusionTemplateCell.h"
#include "Models/KButtonTempateModel.h"
#include "View/ConversationNotifications.h"
#include "View/KButtonTempateView.h"
#include "View/KConfusionTempateView.h"
#include "templates/TemplateTestSupport.h"
#include "ui/Button.h"
#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/TextMeasure.h"

using namespace kesvor;

namespace {

class TemplateViewsTest : public test::UiTest {
protected:
    static std::shared_ptr<KButtonTempateModel> model(const QString& text, int count,
                                                      const QStringList& titles = {})
    {
        QList<ButtonModel> buttons;
        for (int index = 0; index < count; ++index) {
            const QString title =
                index < titles.size() ? titles[index] : QStringLiteral("Choice %1").arg(index);
            buttons.append(index == 1 ? ButtonModel::initWithTitleAndUrl(title, "https://e.com/1")
                                      : ButtonModel::initWithTitleAndValue(
                                            title, QStringLiteral("P%1").arg(index)));
        }
        return KButtonTempateModel::initWithTextButtons(text, buttons);
    }

    // The prompt's height at the block's width less its insets, capped at 50.
    static double prompt(const QString& text, double blockWidth)
    {
        const QSizeF size =
            ui::sizeForText(text, blockWidth - 24, ui::Font::systemFont(16, ui::FontWeight::Bold));
        return std::min(size.height(), 50.0);
    }

    // A cell as the list places it: full width, as tall as its block and the
    // time row.
    template <typename Cell> Cell* placedCell(const std::shared_ptr<KButtonTempateModel>& model)
    {
        ui::View* root = makeRoot(320, 568);
        auto* cell = new Cell(QRectF(0, 0, 320, 400));
        root->addSubview(cell);
        cell->setButtonTemplateModel(model);
        root->layoutIfNeeded();
        return cell;
    }
};

const QString shortPrompt = QStringLiteral("What would you like to do?");
const QString longPrompt = QStringLiteral(
    "We can help with orders, deliveries, returns, refunds, gift cards, subscriptions and "
    "everything else you might need, so please pick one of the following.");

} // namespace

TEST_F(TemplateViewsTest, ButtonTemplateChainsItsButtonsUnderThePrompt)
{
    KButtonTempateView view;
    view.setButtonTemplateModel(model(shortPrompt, 2));
    const double line = prompt(shortPrompt, 240);
    EXPECT_FRAME(&view, 0, 0, 240, 11 + line + 12 + 89);
    EXPECT_FRAME(view.labelContainerView(), 0, 0, 240, 11 + line + 12);
    EXPECT_FRAME(view.titleLabel(), 12, 11, 216, line);
    const double block = 11 + line + 12;
    EXPECT_FRAME(view.buttons()[0], 0, block + 0.5, 240, 44);
    EXPECT_FRAME(view.buttons()[1], 0, block + 45, 240, 44);
    EXPECT_TRUE(view.buttons()[2]->isHidden());

    // Three: 0.5, 0.5 and then 1 above the third; a long prompt is cut at 50.
    view.setButtonTemplateModel(model(longPrompt, 3));
    EXPECT_GT(ui::sizeForText(longPrompt, 216, view.titleLabel()->font()).height(), 50);
    EXPECT_FRAME(view.titleLabel(), 12, 11, 216, 50);
    EXPECT_EQ(view.frame().height(), 11 + 50 + 12 + 134);
    EXPECT_EQ(view.buttons()[2]->frame().top(), view.buttons()[1]->frame().bottom() + 1);
    EXPECT_EQ(view.buttons()[2]->frame().bottom(), view.frame().height());

    // Rebinding to fewer buttons hides the rest and takes the shorter chain.
    view.setButtonTemplateModel(model(shortPrompt, 1, {"Only"}));
    EXPECT_EQ(view.frame().height(), 11 + line + 12 + 44.5);
    EXPECT_FALSE(view.buttons()[0]->isHidden());
    EXPECT_EQ(view.buttons()[0]->title(), "Only");
    EXPECT_TRUE(view.buttons()[1]->isHidden());
    EXPECT_TRUE(view.buttons()[2]->isHidden());

    // No button, or more than three: the prompt alone.
    for (int count : {0, 4}) {
        view.setButtonTemplateModel(model(shortPrompt, count));
        EXPECT_EQ(view.frame().height(), 11 + line + 12) << count;
        for (ui::Button* button : view.buttons())
            EXPECT_TRUE(button->isHidden());
    }
}

TEST_F(TemplateViewsTest, ConfusionRowsGrowWithTheirTitlesAndRebindingLeavesNoStaleRows)
{
    KConfusionTemplateView view;
    view.setButtonTemplateModel(model("Did you mean?", 2, {"Yes", "No"}));
    const double width = view.frame().width();
    EXPECT_EQ(width, 240) << "short content takes the narrowest width";
    const double block = 11 + prompt("Did you mean?", width) + 12;
    EXPECT_EQ(view.frame().height(), block + 138.5);
    EXPECT_FRAME(view.buttons()[0], 0, block + 0.5, width, 56);
    EXPECT_FRAME(view.buttons()[1], 0, block + 57, width, 56);
    EXPECT_FRAME(view.buttons()[2], 0, block + 114, width, 12);
    EXPECT_FRAME(view.buttons()[3], 0, block + 126.5, width, 12);

    // A first title that wraps gets its height plus 12; the others keep one
    // line and 56.
    const QString wrapping = QStringLiteral(
        "I would like to change the delivery address of an order I placed yesterday evening "
        "and I would also like to know when it arrives");
    const auto four = model("Which one?", 4, {wrapping, "Track", "Cancel", wrapping});
    view.setButtonTemplateModel(four);
    const ui::Label* first = view.buttons()[0]->titleLabel();
    const double needed =
        ui::TextMeasure::boundingSize(
            wrapping, {first->font(), 0, ui::LineBreakMode::WordWrap, Qt::AlignLeft}, 280)
            .height();
    ASSERT_GT(needed, 44);
    EXPECT_EQ(view.buttons()[0]->frame().height(), needed + 12);
    EXPECT_EQ(view.buttons()[3]->frame().height(), 56) << "the fourth choice keeps one line";
    EXPECT_LE(view.frame().width(), 280);
    EXPECT_GE(view.frame().width(), 240);

    // Back to one choice: the hidden rows lose their titles, so the reused
    // view is exactly as tall as a fresh one.
    const auto one = model("Which one?", 1, {"Track"});
    view.setButtonTemplateModel(one);
    KConfusionTemplateView fresh;
    fresh.setButtonTemplateModel(one);
    EXPECT_EQ(view.frame(), fresh.frame());
    for (int index = 1; index < 4; ++index) {
        EXPECT_TRUE(view.buttons()[index]->isHidden());
        EXPECT_TRUE(view.buttons()[index]->title().isEmpty());
        EXPECT_EQ(view.buttons()[index]->frame().height(), 12);
    }
    // Five choices: none shown, every row 12.
    view.setButtonTemplateModel(model("Which one?", 5));
    for (ui::Button* button : view.buttons()) {
        EXPECT_TRUE(button->isHidden());
        EXPECT_EQ(button->frame().height(), 12);
    }
}

TEST_F(TemplateViewsTest, TemplateCellsHangTheBlockFromTheTimeRowAndTapsActOnTheModel)
{
    test::Posted sent(SendMessageNotification);
    test::Posted links(ShowWebViewNotification);
    auto* cell = placedCell<KButtonTemplateCell>(model(shortPrompt, 3));
    const double height = cell->buttonTemplateView()->frame().height();
    EXPECT_FRAME(cell->buttonTemplateView(), 24, 400 - 24 - height, 240, height);
    EXPECT_FRAME(cell->timeLabel(), 30, 400 - 24, cell->timeLabel()->frame().width(), 24);

    test::clickView(host(), cell->buttonTemplateView()->buttons()[2]);
    ASSERT_EQ(sent.all.size(), 1);
    EXPECT_EQ(sent.all[0], (QVariantMap{{"text", "Choice 2"}, {"messageKeyword", "P2"}}));
    test::clickView(host(), cell->buttonTemplateView()->buttons()[1]);
    ASSERT_EQ(links.all.size(), 1);
    EXPECT_EQ(links.all[0], (QVariantMap{{"url", "https://e.com/1"}}));

    auto* choices = placedCell<KConfusionTemplateCell>(model(shortPrompt, 4));
    const QRectF block = choices->confusionTemplateView()->frame();
    EXPECT_EQ(block.left(), 24);
    EXPECT_EQ(block.bottom(), 400 - 24);
    test::clickView(host(), choices->confusionTemplateView()->buttons()[3]);
    ASSERT_EQ(sent.all.size(), 2);
    EXPECT_EQ(sent.all[1], (QVariantMap{{"text", "Choice 3"}, {"messageKeyword", "P3"}}));
}
