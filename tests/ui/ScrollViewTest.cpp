#include "ui/UiTest.h"

#include "support/TestSupport.h"
#include "ui/Button.h"
#include "ui/ScrollView.h"

#include <QtGui/QWheelEvent>
#include <QtTest/QTest>

using namespace kesvor;
using namespace kesvor::ui;

namespace {

class ScrollViewTest : public test::UiTest {
protected:
    ScrollView* makeScroll()
    {
        View* root = makeRoot(hostWidth, hostHeight);
        auto* scroll = new ScrollView(QRectF(0, 0, 300, 100));
        root->addSubview(scroll);
        scroll->setContentSize(QSizeF(1000, 100));
        scroll->setContentInset(EdgeInsets{0, 24, 0, 24});
        return scroll;
    }

    void drag(ScrollView* scroll, int fromX, int toX)
    {
        const QPoint origin = scroll->mapTo(&host(), QPoint(0, 50));
        drag(origin + QPoint(fromX, 0), origin + QPoint(toX, 0));
    }

    /// A pointer drag between two points of the host window.
    void drag(const QPoint& from, const QPoint& to)
    {
        QWindow* window = host().windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, from);
        const int steps = 6;
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(window, from + (to - from) * i / steps, 5);
        QTest::mouseRelease(window, Qt::LeftButton, {}, to, 5);
    }
};

} // namespace

TEST_F(ScrollViewTest, OffsetsStayWithinContentAndInsets)
{
    ScrollView* scroll = makeScroll();
    EXPECT_EQ(scroll->minimumContentOffset(), QPointF(-24, 0));
    EXPECT_EQ(scroll->maximumContentOffset(), QPointF(1000 + 24 - 300, 0));

    QWheelEvent wheel(QPointF(10, 10), scroll->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(-120, 0), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(scroll, &wheel);
    EXPECT_EQ(scroll->contentOffset(), QPointF(40, 0));
    for (int i = 0; i < 40; ++i)
        QCoreApplication::sendEvent(scroll, &wheel);
    EXPECT_EQ(scroll->contentOffset(), scroll->maximumContentOffset());
}

TEST_F(ScrollViewTest, DragEndLetsTheOwnerChooseWhereItRests)
{
    ScrollView* scroll = makeScroll();
    int began = 0;
    QPointF velocity;
    QObject::connect(scroll, &ScrollView::willBeginDragging, [&] { ++began; });
    // Paging: rest on the next multiple of 254 in the direction of travel.
    QObject::connect(scroll, &ScrollView::willEndDragging,
                     [&](const QPointF& speed, QPointF* target) {
                         velocity = speed;
                         target->setX(speed.x() > 0 ? 254 : 0);
                     });
    int decelerated = 0;
    QObject::connect(scroll, &ScrollView::didEndDecelerating, [&] { ++decelerated; });

    drag(scroll, 200, 140);
    EXPECT_EQ(began, 1);
    EXPECT_GT(velocity.x(), 0);
    EXPECT_EQ(scroll->contentOffset(), QPointF(254, 0));
    ASSERT_TRUE(test::waitUntil([&] { return decelerated == 1; }));

    drag(scroll, 100, 180);
    EXPECT_LT(velocity.x(), 0);
    EXPECT_EQ(scroll->contentOffset(), QPointF(0, 0));
}

TEST_F(ScrollViewTest, DragsStartingOnControlsOrNestedStripsReachTheRightScrollView)
{
    // A list scrolling up and down holds a strip scrolling sideways, which
    // holds a button.
    View* root = makeRoot(hostWidth, hostHeight);
    auto* list = new ScrollView(QRectF(0, 0, 320, 400));
    root->addSubview(list);
    list->setContentSize(QSizeF(320, 2000));
    auto* strip = new ScrollView(QRectF(0, 100, 320, 100));
    list->addSubview(strip);
    strip->setContentSize(QSizeF(1000, 100));
    auto* button = new Button(QRectF(10, 10, 200, 80));
    strip->addSubview(button);
    int taps = 0;
    int cancels = 0;
    button->addTarget(ControlEvent::TouchUpInside, [&](Control*) { ++taps; });
    button->addTarget(ControlEvent::TouchCancel, [&](Control*) { ++cancels; });
    const auto onButton = [&](int x, int y) { return button->mapTo(&host(), QPoint(x, y)); };

    // A tap stays a tap.
    QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {}, onButton(100, 40));
    EXPECT_EQ(taps, 1);

    // Sideways from the button: the strip scrolls, the button lets go.
    drag(onButton(150, 40), onButton(90, 40));
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_GE(strip->contentOffset().x(), 60);
    EXPECT_EQ(list->contentOffset().y(), 0);

    // Upwards from the button: the strip cannot go that way, the list does.
    ASSERT_TRUE(test::waitUntil([&] { return !strip->isDecelerating(); }));
    strip->setContentOffset(QPointF());
    drag(onButton(100, 70), onButton(100, 10));
    EXPECT_GE(list->contentOffset().y(), 60);
    EXPECT_EQ(strip->contentOffset(), QPointF());
    EXPECT_EQ(taps, 1);
}
