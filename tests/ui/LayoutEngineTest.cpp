#include "ui/UiTest.h"

#include "support/TestSupport.h"
#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/ScrollView.h"
#include "ui/TextMeasure.h"

using namespace kesvor;
using namespace kesvor::ui;

namespace {

class LayoutEngineTest : public test::UiTest {
protected:
    View* add(View* parent, const QRectF& frame = QRectF())
    {
        auto* view = new View(frame);
        parent->addSubview(view);
        return view;
    }

    Label* addLabel(View* parent, const QString& text, int lines = 1)
    {
        auto* label = new Label;
        label->setText(text);
        label->setNumberOfLines(lines);
        parent->addSubview(label);
        return label;
    }
};

const QString longText = QStringLiteral(
    "A reply long enough to wrap over several lines when the bubble it sits in is narrow.");

} // namespace

TEST_F(LayoutEngineTest, HorizontalChainWithFractionalWidthAndMargins)
{
    View* bar = makeRoot(320, 52);
    View* text = add(bar);
    View* send = add(bar);
    bar->addConstraints("H:|-10-[v0]-10-[v1(==58.5)]-4-|", {text, send});
    bar->addConstraints("V:|-4-[v0]-4-|", {text});
    bar->addConstraints("V:[v0(==37)]-4-|", {send});
    bar->layoutIfNeeded();
    EXPECT_FRAME(text, 10, 4, 237.5, 44);
    EXPECT_FRAME(send, 257.5, 11, 58.5, 37);

    // The chain follows its superview when the frame is set by hand.
    bar->setFrame(QRectF(0, 0, 375, 52));
    bar->layoutIfNeeded();
    EXPECT_FRAME(text, 10, 4, 292.5, 44);
    EXPECT_FRAME(send, 312.5, 11, 58.5, 37);
}

TEST_F(LayoutEngineTest, VerticalChainWithHalfPointGapsSizesAMeasuredView)
{
    // A view placed by constraints with no superview takes the smallest
    // height its chain allows, as template views are measured.
    View block;
    block.setTranslatesAutoresizingMaskIntoConstraints(false);
    block.addConstraints("H:[v0(==240)]", {&block});
    View* header = add(&block);
    QList<View*> buttons{add(&block), add(&block), add(&block)};
    block.addConstraints("H:|-0-[v0]-0-|", {header});
    block.addConstraints("V:|-0-[v0(==40)]", {header});
    for (View* button : buttons)
        block.addConstraints("H:|-0-[v0]-0-|", {button});
    block.addConstraints("V:[v0]-0.5-[v1(==44)]-0.5-[v2(==44)]-1-[v3(==44)]-0-|",
                         {header, buttons[0], buttons[1], buttons[2]});
    block.layoutIfNeeded();
    EXPECT_EQ(block.frame().size(), QSizeF(240, 40 + 134));
    EXPECT_FRAME(buttons[0], 0, 40.5, 240, 44);
    EXPECT_FRAME(buttons[1], 0, 85, 240, 44);
    EXPECT_FRAME(buttons[2], 0, 130, 240, 44);
}

TEST_F(LayoutEngineTest, CentringConstraintsWithOffsetsAndStandardSpacing)
{
    View* bar = makeRoot(320, 64);
    View* status = add(bar);
    status->setTranslatesAutoresizingMaskIntoConstraints(false);
    View* spinner = add(status);
    View* caption = add(status);
    status->addConstraints("H:|[v0(==20)]-[v1(==80)]|", {spinner, caption});
    status->addConstraints("V:|[v0(==20)]|", {caption});
    status->addConstraint(LayoutConstraint(spinner, LayoutAttribute::CenterY, LayoutRelation::Equal,
                                           status, LayoutAttribute::CenterY));
    spinner->addConstraints("V:[v0(==20)]", {spinner});
    LayoutConstraint::activate(
        {LayoutConstraint(status, LayoutAttribute::CenterX, LayoutRelation::Equal, bar,
                          LayoutAttribute::CenterX),
         LayoutConstraint(status, LayoutAttribute::CenterY, LayoutRelation::Equal, bar,
                          LayoutAttribute::CenterY, 1.0, 10)});
    bar->layoutIfNeeded();
    // 20 + standard 8 + 80 = 108 wide, centred; 20 high, 10 below the centre.
    EXPECT_FRAME(status, 106, 32, 108, 20);
    EXPECT_FRAME(spinner, 0, 0, 20, 20);
    EXPECT_FRAME(caption, 28, 0, 80, 20);
}

TEST_F(LayoutEngineTest, WidthBoundsAgainstALabelsIntrinsicWidth)
{
    const QFont font = Font::boldSystemFont(16);
    const auto measure = [&](const QString& text) {
        View block;
        block.setTranslatesAutoresizingMaskIntoConstraints(false);
        block.addConstraints("H:[v0(<=280.0)]", {&block});
        block.addConstraints("H:[v0(>=240.0)]", {&block});
        Label* label = addLabel(&block, text);
        label->setFont(font);
        block.addConstraints("H:|-12-[v0]-12-|", {label});
        block.addConstraints("V:|-11-[v0]-12-|", {label});
        block.layoutIfNeeded();
        return std::pair{block.frame().width(), label->frame().width()};
    };
    EXPECT_EQ(measure("Hi").first, 240);

    const QString medium = QStringLiteral("Which of these is yours?");
    const double natural = sizeForText(medium, 0, font).width();
    ASSERT_GT(natural + 24, 240);
    ASSERT_LT(natural + 24, 280);
    EXPECT_EQ(measure(medium), std::pair(natural + 24, natural));

    const auto [width, labelWidth] = measure(longText);
    EXPECT_EQ(width, 280);
    EXPECT_EQ(labelWidth, 256);
}

TEST_F(LayoutEngineTest, MultiLineLabelHeightFollowsItsSolvedWidth)
{
    View* cell = makeRoot(320, 400);
    View* bubble = add(cell);
    Label* label = addLabel(bubble, longText, 0);
    const auto horizontal = cell->constraintsArray("H:|-24-[v0(<=260)]", {bubble});
    cell->addConstraints(horizontal);
    cell->addConstraints("V:|[v0]", {bubble});
    bubble->addConstraints("H:|-16-[v0]-16-|", {label});
    bubble->addConstraints("V:|-8-[v0]-8-|", {label});
    cell->layoutIfNeeded();

    // The label takes all the width it may have and the height of its text
    // wrapped at that width.
    const QSizeF wrapped(228, sizeForText(longText, 228, label->font()).height());
    ASSERT_GT(wrapped.height(), sizeForText("A", 0, label->font()).height() * 2);
    EXPECT_EQ(label->frame().size(), wrapped);
    EXPECT_EQ(bubble->frame().size(), wrapped + QSizeF(32, 16));

    // A wider limit gives fewer, longer lines; a short text a narrow bubble.
    LayoutConstraint limit = *std::find_if(horizontal.begin(), horizontal.end(), [](const auto& c) {
        return c.relation() == LayoutRelation::LessThanOrEqual;
    });
    limit.setConstant(480);
    cell->layoutIfNeeded();
    const QSizeF wider(448, sizeForText(longText, 448, label->font()).height());
    EXPECT_LT(wider.height(), wrapped.height());
    EXPECT_EQ(label->frame().size(), wider);
    label->setText("Ok");
    cell->layoutIfNeeded();
    EXPECT_EQ(label->frame().size(), sizeForText("Ok", 0, label->font()));
}

TEST_F(LayoutEngineTest, PriorityBelowRequiredGivesWayAndHoldsOtherwise)
{
    View* card = makeRoot(250, 400);
    View* image = add(card);
    View* below = add(card);
    card->addConstraints("H:|-0-[v0]-0-|", {image});
    card->addConstraints("V:|-0-[v0]-1-[v1(==20)]", {image, below});
    LayoutConstraint imageHeight(image, LayoutAttribute::Height, LayoutRelation::Equal, 0);
    imageHeight.setPriority(999);
    imageHeight.setActive(true);
    card->layoutIfNeeded();
    EXPECT_EQ(image->frame().height(), 0);
    EXPECT_EQ(below->frame().y(), 1);

    imageHeight.setConstant(117);
    card->layoutIfNeeded();
    EXPECT_EQ(image->frame().height(), 117);
    EXPECT_EQ(below->frame().y(), 118);

    // A required cap wins over the priority-999 height, silently.
    test::LogCapture log;
    LayoutConstraint cap(image, LayoutAttribute::Height, LayoutRelation::LessThanOrEqual, 60);
    cap.setActive(true);
    card->layoutIfNeeded();
    EXPECT_EQ(image->frame().height(), 60);
    EXPECT_FALSE(cap.isDropped());
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

TEST_F(LayoutEngineTest, SwappingPrebuiltConstraintSets)
{
    View* block = makeRoot(240, 400);
    View* header = add(block);
    QList<View*> buttons{add(block), add(block), add(block)};
    block->addConstraints("V:|-0-[v0(==30)]", {header});
    const auto three = block->constraintsArray("V:[v0]-0.5-[v1(==44)]-0.5-[v2(==44)]-1-[v3(==44)]",
                                               {header, buttons[0], buttons[1], buttons[2]});
    const auto one = block->constraintsArray("V:[v0]-0.5-[v1(==20)]", {header, buttons[0]});
    for (const LayoutConstraint& constraint : three + one)
        EXPECT_FALSE(constraint.isActive());

    block->addConstraints(three);
    block->layoutIfNeeded();
    EXPECT_FRAME(buttons[2], 0, 120, 0, 44);
    block->removeConstraints(three);
    block->addConstraints(one);
    block->layoutIfNeeded();
    EXPECT_EQ(buttons[0]->frame().height(), 20);
    block->removeConstraints(one);
    block->addConstraints(three);
    block->layoutIfNeeded();
    EXPECT_EQ(buttons[0]->frame().height(), 44);
    EXPECT_EQ(buttons[2]->frame().y(), 120);
}

TEST_F(LayoutEngineTest, UnsatisfiableRequiredConstraintIsDropped)
{
    View* root = makeRoot(300, 300);
    View* box = add(root);
    const auto horizontal = root->constraintsArray("H:|-10-[v0(==100)]", {box});
    root->addConstraints(horizontal);
    root->addConstraints("V:|-10-[v0(==50)]", {box});
    root->layoutIfNeeded();

    LayoutConstraint conflict(box, LayoutAttribute::Width, LayoutRelation::Equal, 200);
    conflict.setActive(true);
    root->layoutIfNeeded();
    EXPECT_TRUE(conflict.isActive());
    EXPECT_TRUE(conflict.isDropped());
    EXPECT_FRAME(box, 10, 10, 100, 50);
    // Later passes, rebuilds included, keep it dropped.
    View* other = add(root);
    root->addConstraints("H:|[v0(==5)]", {other});
    root->setFrame(QRectF(0, 0, 310, 300));
    root->layoutIfNeeded();
    EXPECT_TRUE(conflict.isDropped());
    EXPECT_EQ(box->frame().width(), 100);

    // Once the constraint it fought is gone, re-activating it applies it.
    conflict.setActive(false);
    for (const LayoutConstraint& constraint : horizontal)
        if (constraint.firstAttribute() == LayoutAttribute::Width)
            LayoutConstraint::deactivate({constraint});
    conflict.setActive(true);
    root->layoutIfNeeded();
    EXPECT_FALSE(conflict.isDropped());
    EXPECT_EQ(box->frame().width(), 200);
}

TEST_F(LayoutEngineTest, FaultyConstraintsAreRefused)
{
    View* root = makeRoot(100, 100);
    View* a = add(root);
    View detached;
    const QList<LayoutConstraint> faulty{
        LayoutConstraint(a, LayoutAttribute::Left, LayoutRelation::Equal, 10),
        LayoutConstraint(a, LayoutAttribute::Left, LayoutRelation::Equal, root,
                         LayoutAttribute::Top),
        LayoutConstraint(a, LayoutAttribute::Width, LayoutRelation::Equal, &detached,
                         LayoutAttribute::Width),
    };
    for (LayoutConstraint constraint : faulty) {
        constraint.setActive(true);
        EXPECT_FALSE(constraint.isActive()) << constraint.description().toStdString();
    }

    EXPECT_TRUE(root->constraintsArray("H:|-[v1]-|", {a}).isEmpty());
    EXPECT_TRUE(root->constraintsArray("H:|-(10-[v0]", {a}).isEmpty());
    View orphan;
    EXPECT_TRUE(orphan.constraintsArray("H:|[v0]|", {&orphan}).isEmpty());
}

TEST_F(LayoutEngineTest, PredicatesReferToOtherViewsAndPriorities)
{
    View* root = makeRoot(300, 100);
    View* a = add(root);
    View* b = add(root);
    root->addConstraints("H:|-10-[v0]-(>=10,==20@250)-[v1(==v0)]-10-|", {a, b});
    root->addConstraints("V:|[v0(==10)]", {a});
    root->addConstraints("V:|[v0(==10)]", {b});
    root->layoutIfNeeded();
    EXPECT_FRAME(a, 10, 0, 130, 10);
    EXPECT_FRAME(b, 160, 0, 130, 10);
}

TEST_F(LayoutEngineTest, RemovingAViewDropsOnlyConstraintsThatLeaveIt)
{
    View* root = makeRoot(200, 200);
    View* panel = add(root);
    View* inner = add(panel);
    root->addConstraints("H:|-20-[v0]-80-|", {panel});
    root->addConstraints("V:|-20-[v0]-80-|", {panel});
    panel->addConstraints("H:|-5-[v0]-5-|", {inner});
    panel->addConstraints("V:|-5-[v0(==10)]", {inner});
    root->layoutIfNeeded();
    EXPECT_FRAME(panel, 20, 20, 100, 100);
    EXPECT_FRAME(inner, 5, 5, 90, 10);

    panel->removeFromSuperview();
    ASSERT_EQ(panel->constraints().size(), 3);
    // On its own, with its frame set by hand, its content follows it.
    panel->setTranslatesAutoresizingMaskIntoConstraints(true);
    panel->setFrame(QRectF(0, 0, 50, 50));
    panel->layoutIfNeeded();
    EXPECT_FRAME(inner, 5, 5, 40, 10);

    root->addSubview(panel);
    panel->setFrame(QRectF(30, 30, 70, 70));
    root->layoutIfNeeded();
    EXPECT_FRAME(inner, 5, 5, 60, 10);

    // A destroyed view takes its constraints with it.
    delete inner;
    EXPECT_TRUE(panel->constraints().isEmpty());
    root->layoutIfNeeded();
}

TEST_F(LayoutEngineTest, ScrollingMovesWidgetsButNotFrames)
{
    auto* scroll = new ScrollView(QRectF(0, 0, 100, 100));
    scroll->setParent(&host());
    View* content = add(scroll);
    scroll->addConstraints("H:|-10-[v0(==80)]", {content});
    scroll->addConstraints("V:|-300-[v0(==40)]", {content});
    scroll->setContentSize(QSizeF(100, 400));
    scroll->layoutIfNeeded();
    EXPECT_FRAME(content, 10, 300, 80, 40);

    scroll->setContentOffset(QPointF(0, 250));
    EXPECT_EQ(scroll->contentOffset(), QPointF(0, 250));
    EXPECT_FRAME(content, 10, 300, 80, 40);
    EXPECT_EQ(content->geometry(), QRect(10, 50, 80, 40));
    EXPECT_EQ(content->convert(QPointF(0, 0), nullptr), QPointF(10, 50));
    // Offsets stop at the content's edges.
    EXPECT_EQ(scroll->maximumContentOffset(), QPointF(0, 300));
    delete scroll;
}

TEST_F(LayoutEngineTest, FramesSetByHandAnchorViewsAcrossLevels)
{
    View* root = makeRoot(320, 200);
    View* card = add(root, QRectF(20, 30, 100, 100));
    View* badge = add(card);
    View* caption = add(root);
    // The caption follows the card's right edge; the badge sits in the card
    // and the caption lines up with the badge, two levels apart.
    LayoutConstraint::activate({
        LayoutConstraint(caption, LayoutAttribute::Left, LayoutRelation::Equal, card,
                         LayoutAttribute::Right, 1.0, 8),
        LayoutConstraint(caption, LayoutAttribute::Top, LayoutRelation::Equal, badge,
                         LayoutAttribute::Top),
    });
    card->addConstraints("H:[v0(==20)]-10-|", {badge});
    card->addConstraints("V:|-15-[v0(==20)]", {badge});
    caption->addConstraints("H:[v0(==50)]", {caption});
    caption->addConstraints("V:[v0(==20)]", {caption});
    root->layoutIfNeeded();
    EXPECT_FRAME(badge, 70, 15, 20, 20);
    EXPECT_FRAME(caption, 128, 45, 50, 20);

    card->setFrame(QRectF(40, 60, 120, 100));
    root->layoutIfNeeded();
    EXPECT_FRAME(badge, 90, 15, 20, 20);
    EXPECT_FRAME(caption, 168, 75, 50, 20);
}

namespace {

// Places its subviews by hand in layoutSubviews(), as a list places cells,
// while the cells' content is laid out by constraints.
class ListView : public View {
public:
    int passes = 0;

protected:
    void layoutSubviews() override
    {
        ++passes;
        double y = 0;
        for (View* cell : subviews()) {
            cell->setFrame(QRectF(0, y, bounds().width(), 40));
            y += 40;
        }
    }
};

} // namespace

TEST_F(LayoutEngineTest, HandPlacedCellsLayOutTheirConstrainedContentInTheSamePass)
{
    View* root = makeRoot(320, 400);
    auto* list = new ListView;
    root->addSubview(list);
    root->addConstraints("H:|[v0]|", {list});
    root->addConstraints("V:|[v0]|", {list});
    QList<View*> labels;
    for (int i = 0; i < 3; ++i) {
        View* cell = add(list);
        Label* label = addLabel(cell, QStringLiteral("Cell %1").arg(i));
        cell->addConstraints("H:|-16-[v0]-16-|", {label});
        cell->addConstraints("V:|[v0]|", {label});
        labels.append(label);
    }
    root->layoutIfNeeded();
    EXPECT_FRAME(labels[2], 16, 0, 288, 40);
    EXPECT_EQ(labels[2]->superview()->frame(), QRectF(0, 80, 320, 40));

    const int before = list->passes;
    root->setFrame(QRectF(0, 0, 375, 400));
    root->layoutIfNeeded();
    EXPECT_FRAME(labels[0], 16, 0, 343, 40);
    EXPECT_EQ(list->passes, before + 1);
    EXPECT_FALSE(root->needsLayout() || list->needsLayout());

    // A cell built on its own, constraints and all, joins below the root.
    auto* late = new View;
    Label* lateLabel = addLabel(late, QStringLiteral("Late"));
    late->addConstraints("H:|-16-[v0]-16-|", {lateLabel});
    late->addConstraints("V:|[v0]|", {lateLabel});
    list->addSubview(late);
    root->layoutIfNeeded();
    EXPECT_FRAME(lateLabel, 16, 0, 343, 40);
}
