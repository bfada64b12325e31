#include "UiTest.h"

#include "support/TestSupport.h"
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
        QWindow* window = host().windowHandle();
        const QPoint origin = scroll->mapTo(&host(), QPoint(0, 50));
        QTest::mousePress(window, Qt::LeftButton, {}, origin + QPoint(fromX, 0));
        const int steps = 6;
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(window, origin + QPoint(fromX + (toX - fromX) * i / steps, 0), 5);
        QTest::mouseRelease(window, Qt::LeftButton, {}, origin + QPoint(toX, 0), 5);
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
