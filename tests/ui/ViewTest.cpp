#include "ui/UiTest.h"

#include "ui/BezierPath.h"
#include "ui/Button.h"
#include "ui/Color.h"

#include <QtTest/QTest>
#include <QtWidgets/QGraphicsEffect>

using namespace kesvor;
using namespace kesvor::ui;

namespace {

class ViewTest : public test::UiTest {};

} // namespace

TEST_F(ViewTest, WidgetsAreFramesRoundedEdgeByEdge)
{
    View* root = makeRoot(320, 200);
    auto* upper = new View(QRectF(10.4, 0, 100.2, 44.5));
    auto* lower = new View(QRectF(10.4, 44.5, 100.2, 0.5));
    root->addSubview(upper);
    root->addSubview(lower);
    EXPECT_EQ(upper->geometry(), QRect(10, 0, 101, 45));
    // Views that meet exactly still meet.
    EXPECT_EQ(upper->geometry().bottom(), 44);
    // A half-point hairline keeps the pixel its centre is in, inside its
    // superview even where it ends at the superview's edge.
    EXPECT_EQ(lower->geometry(), QRect(10, 44, 101, 1));
    auto* box = new View(QRectF(0, 100, 50, 44));
    root->addSubview(box);
    auto* rule = new View(QRectF(0, 43.5, 50, 0.5));
    box->addSubview(rule);
    EXPECT_EQ(rule->geometry(), QRect(0, 43, 50, 1));
    EXPECT_EQ(upper->frame(), QRectF(10.4, 0, 100.2, 44.5));

    // Rounding happens where the root is: a child at x 0.3 of a parent at
    // 10.4 lands on 11, not on 10.
    auto* child = new View(QRectF(0.3, 0, 5, 5));
    upper->addSubview(child);
    EXPECT_EQ(child->mapTo(root, QPoint()).x(), 11);
    EXPECT_EQ(child->convert(QPointF(0, 0), root), QPointF(10.7, 0));
}

TEST_F(ViewTest, HiddenAlphaAndInteractionDecideWhatIsShownAndTouched)
{
    View* root = makeRoot(200, 200);
    auto* button = new Button(QRectF(0, 0, 100, 100));
    int taps = 0;
    button->addTarget(ControlEvent::TouchUpInside, [&](Control*) { ++taps; });
    auto* cover = new View(QRectF(0, 0, 100, 100));
    cover->setBackgroundColor(Color::white(0, 0.4));
    root->addSubview(button);
    root->addSubview(cover);
    QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(taps, 0);

    cover->setUserInteractionEnabled(false);
    QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(taps, 1);

    cover->setUserInteractionEnabled(true);
    cover->setAlpha(0);
    QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(taps, 2);
    ASSERT_NE(cover->graphicsEffect(), nullptr);
    cover->setAlpha(1);
    EXPECT_EQ(cover->graphicsEffect(), nullptr);

    cover->setHidden(true);
    EXPECT_FALSE(cover->isVisible());
    QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(taps, 3);
    cover->setHidden(false);
    EXPECT_TRUE(cover->isVisible());
}

TEST_F(ViewTest, MasksCutDrawingAndTouchesToTheirShape)
{
    const QRectF area(0, 0, 100, 40);
    const QPainterPath left = BezierPath::roundedRect(
        area, RectCorner::TopLeft | RectCorner::TopRight | RectCorner::BottomRight, 8);
    EXPECT_TRUE(left.contains(QPointF(0.5, 39.5)));
    EXPECT_FALSE(left.contains(QPointF(0.5, 0.5)));
    EXPECT_FALSE(left.contains(QPointF(99.5, 39.5)));
    // The radius never exceeds half the shorter side.
    EXPECT_TRUE(BezierPath::roundedRect(QRectF(0, 0, 10, 10), RectCorner::AllCorners, 50)
                    .contains(QPointF(5, 5)));

    View* root = makeRoot(200, 200);
    auto* bubble = new View(QRectF(20, 20, 100, 40));
    bubble->setBackgroundColor(Color::black());
    root->addSubview(bubble);
    bubble->setMaskPath(left);
    EXPECT_FALSE(bubble->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(bubble->mask().contains(QPoint(50, 20)));
    const QImage shot = root->grab().toImage();
    EXPECT_NE(shot.pixelColor(20, 20), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(70, 40), QColor(Qt::black));

    bubble->setMaskPath(std::nullopt);
    bubble->setCornerRadius(10);
    bubble->setClipsToBounds(true);
    EXPECT_FALSE(bubble->mask().contains(QPoint(0, 0)));
    bubble->setClipsToBounds(false);
    EXPECT_TRUE(bubble->mask().isEmpty());
}

TEST_F(ViewTest, SubviewOrderFollowsInsertion)
{
    View* root = makeRoot(100, 100);
    auto* a = new View;
    auto* b = new View;
    auto* c = new View;
    root->addSubview(a);
    root->addSubview(c);
    root->insertSubviewBelow(b, c);
    EXPECT_EQ(root->subviews(), (QList<View*>{a, b, c}));
    root->bringSubviewToFront(a);
    EXPECT_EQ(root->subviews(), (QList<View*>{b, c, a}));
    root->insertSubview(a, 0);
    EXPECT_EQ(root->subviews(), (QList<View*>{a, b, c}));
    root->insertSubviewAbove(a, b);
    EXPECT_EQ(root->subviews(), (QList<View*>{b, a, c}));
    // A view cannot go inside itself.
    a->addSubview(root);
    EXPECT_EQ(root->superview(), nullptr);
}

TEST_F(ViewTest, GeometryThatIsNotANumberIsIgnored)
{
    View* root = makeRoot(100, 100);
    auto* view = new View(QRectF(1, 2, 3, 4));
    root->addSubview(view);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    view->setFrame(QRectF(nan, 0, 10, 10));
    view->setFrame(QRectF(0, 0, std::numeric_limits<double>::infinity(), 10));
    view->setAlpha(nan);
    EXPECT_EQ(view->frame(), QRectF(1, 2, 3, 4));
    EXPECT_EQ(view->alpha(), 1);

    root->addConstraints("H:|-5-[v0]", {view});
    LayoutConstraint left = view->constraints().first();
    left.setConstant(nan);
    EXPECT_EQ(left.constant(), 5);
    root->layoutIfNeeded();
    EXPECT_EQ(view->frame().x(), 5);
}
