#include "ui/CollectionFixtures.h"
#include "ui/UiTest.h"

#include "support/TestSupport.h"

#include <QtTest/QTest>

#include <set>

using namespace kesvor;
using namespace kesvor::ui;
using test::ItemSource;

namespace {

class CollectionViewTest : public test::UiTest {
protected:
    CollectionView* makeList(const QRectF& frame,
                             ScrollDirection direction = ScrollDirection::Vertical)
    {
        View* root = makeRoot(hostWidth, hostHeight);
        auto layout = std::make_unique<FlowLayout>();
        layout->setScrollDirection(direction);
        auto* list = new CollectionView(frame, std::move(layout));
        root->addSubview(list);
        source.attach(*list);
        return list;
    }

    static QRectF headerFrame(CollectionView* list, int section)
    {
        CollectionReusableView* header =
            list->supplementaryView(CollectionElementKindSectionHeader, IndexPath{section, 0});
        return header ? header->frame() : QRectF();
    }

    static QRectF cellFrame(CollectionView* list, int section, int item)
    {
        CollectionViewCell* cell = list->cellForItem(IndexPath{section, item});
        return cell ? cell->frame() : QRectF();
    }

    ItemSource source;
};

} // namespace

TEST_F(CollectionViewTest, VerticalFlowPlacesHeadersInsetsSpacingAndLinesExactly)
{
    // Section 0: list-wide rows, 4 apart. Section 1: its own inset and the
    // layout's spacing. Section 2: three items per line, a taller one in the
    // middle, the others centred across the line.
    source.sections = {{0, 1, 2}, {100, 101, 102}, ItemSource::ids(200, 6)};
    source.headerHeight = 25;
    source.lineSpacing[0] = 4;
    source.insets[1] = EdgeInsets{6, 8, 12, 8};
    source.sizeOf = [](CollectionView&, int id) {
        if (id >= 200)
            return QSizeF(100, id == 201 ? 60 : 40);
        return QSizeF(id >= 100 ? 304 : 320, 20 + (id % 7) * 13);
    };
    CollectionView* list = makeList(QRectF(0, 0, 320, 560));
    list->collectionViewLayout().setSectionInset(EdgeInsets{0, 0, 10, 0});
    list->collectionViewLayout().setMinimumLineSpacing(3);
    list->layoutIfNeeded();

    EXPECT_EQ(headerFrame(list, 0), QRectF(0, 0, 320, 25));
    EXPECT_EQ(cellFrame(list, 0, 0), QRectF(0, 25, 320, 20));
    EXPECT_EQ(cellFrame(list, 0, 1), QRectF(0, 49, 320, 33));
    EXPECT_EQ(cellFrame(list, 0, 2), QRectF(0, 86, 320, 46));

    EXPECT_EQ(headerFrame(list, 1), QRectF(0, 142, 320, 25));
    EXPECT_EQ(cellFrame(list, 1, 0), QRectF(8, 173, 304, 46));
    EXPECT_EQ(cellFrame(list, 1, 1), QRectF(8, 222, 304, 59));
    EXPECT_EQ(cellFrame(list, 1, 2), QRectF(8, 284, 304, 72));

    EXPECT_EQ(headerFrame(list, 2), QRectF(0, 368, 320, 25));
    EXPECT_EQ(cellFrame(list, 2, 0), QRectF(0, 403, 100, 40));
    EXPECT_EQ(cellFrame(list, 2, 1), QRectF(110, 393, 100, 60));
    EXPECT_EQ(cellFrame(list, 2, 2), QRectF(220, 403, 100, 40));
    EXPECT_EQ(cellFrame(list, 2, 3), QRectF(0, 456, 100, 40));
    EXPECT_EQ(cellFrame(list, 2, 5), QRectF(220, 456, 100, 40));
    EXPECT_EQ(list->contentSize(), QSizeF(320, 506));

    EXPECT_EQ(list->cellForItem(IndexPath{1, 2})->tag(), 102);
    EXPECT_EQ(list->supplementaryView(CollectionElementKindSectionHeader, {2, 0})->tag(), 2);
    EXPECT_EQ(source.displayed.size(), 12);

    // Content insets across the list narrow the lines: the grid wraps after
    // two items, and the rows keep their answered width.
    list->setContentInset(EdgeInsets{0, 10, 0, 10});
    list->layoutIfNeeded();
    EXPECT_EQ(headerFrame(list, 0), QRectF(0, 0, 300, 25));
    EXPECT_EQ(cellFrame(list, 2, 2), QRectF(0, 456, 100, 40));
}

TEST_F(CollectionViewTest, HorizontalStripPagesThroughWillEndDragging)
{
    // Cards 250 wide, 4 apart, 24 in from both ends: pages every 254 points.
    source.sections = {ItemSource::ids(0, 5)};
    source.sizeOf = [](CollectionView&, int) { return QSizeF(250, 150); };
    source.lineSpacing[0] = 4;
    source.insets[0] = EdgeInsets{0, 24, 0, 24};
    CollectionView* strip = makeList(QRectF(0, 100, 320, 150), ScrollDirection::Horizontal);
    strip->layoutIfNeeded();

    EXPECT_EQ(cellFrame(strip, 0, 0), QRectF(24, 0, 250, 150));
    EXPECT_EQ(cellFrame(strip, 0, 1), QRectF(278, 0, 250, 150));
    EXPECT_EQ(strip->contentSize(), QSizeF(254 * 5 + 44, 150));
    EXPECT_EQ(strip->maximumContentOffset(), QPointF(254 * 5 + 44 - 320, 0));

    // One page per drag in the direction of the fling; without speed, a
    // drag of 60 points turns the page and a shorter one springs back.
    double page = 0;
    double dragStart = 0;
    QList<QPointF> velocities;
    QObject::connect(strip, &ScrollView::willBeginDragging,
                     [&] { dragStart = strip->contentOffset().x(); });
    source.onWillEndDragging = [&](const QPointF& velocity, QPointF& target) {
        velocities.append(velocity);
        const double moved = strip->contentOffset().x() - dragStart;
        if (velocity.x() > 0 || (velocity.x() == 0 && moved >= 60))
            page += 254;
        else if (velocity.x() < 0 || (velocity.x() == 0 && moved <= -60))
            page = std::max(0.0, page - 254);
        target.setX(page);
    };
    const auto drag = [&](double by, double velocity) {
        strip->beginDragging();
        strip->dragBy(QPointF(-by, 0));
        strip->endDragging(QPointF(velocity, 0));
        // The next drag would stop the glide where it is shown.
        EXPECT_TRUE(test::waitUntil([&] { return !strip->isDecelerating(); }));
        return strip->contentOffset().x();
    };
    EXPECT_EQ(drag(30, 0.8), 254);
    EXPECT_EQ(drag(59, 0), 254);
    EXPECT_EQ(drag(60, 0), 508);
    EXPECT_EQ(drag(-10, -0.5), 254);
    EXPECT_EQ(drag(20, 3), 508);
    EXPECT_EQ(drag(20, 3), 762);
    // Past the content's end the target is cut to the last offset there is.
    EXPECT_EQ(drag(20, 3), strip->maximumContentOffset().x());

    // Real pointer events take the same road.
    page = 0;
    strip->setContentOffset(QPointF());
    QWindow* window = host().windowHandle();
    const QPoint origin = strip->mapTo(&host(), QPoint(0, 75));
    QTest::mousePress(window, Qt::LeftButton, {}, origin + QPoint(250, 0));
    for (int x = 240; x >= 190; x -= 10)
        QTest::mouseMove(window, origin + QPoint(x, 0), 5);
    QTest::mouseRelease(window, Qt::LeftButton, {}, origin + QPoint(190, 0), 5);
    EXPECT_GT(velocities.last().x(), 0);
    EXPECT_EQ(strip->contentOffset(), QPointF(254, 0));
    // The cards the glide passes and the one it rests on are there.
    EXPECT_NE(strip->cellForItem(IndexPath{0, 1}), nullptr);
}

TEST_F(CollectionViewTest, ReuseKeepsLiveCellsBoundedAcrossTenThousandItems)
{
    for (int section = 0; section < 10; ++section)
        source.sections.append(ItemSource::ids(section * 1000, 1000));
    source.headerHeight = 25;
    CollectionView* list = makeList(QRectF(0, 0, 320, 568));
    list->layoutIfNeeded();

    // The shortest item is 20 high: what the screen and its margins can hold.
    const qsizetype mostVisible = (568 + 2 * 64) / 20 + 2;
    qsizetype liveMost = 0;
    std::set<IndexPath> seen;
    for (double y = 0;; y += 568) {
        list->setContentOffset(QPointF(0, std::min(y, list->maximumContentOffset().y())));
        list->layoutIfNeeded();
        liveMost = std::max(liveMost, list->findChildren<CollectionViewCell*>().size());
        for (const IndexPath& indexPath : list->indexPathsForVisibleItems()) {
            CollectionViewCell* cell = list->cellForItem(indexPath);
            ASSERT_EQ(cell->tag(), source.idAt(indexPath));
            ASSERT_EQ(cell->frame(), list->layoutAttributesForItem(indexPath)->frame);
            ASSERT_FALSE(cell->isHidden());
            const QRectF frame = cell->frame();
            ASSERT_EQ(static_cast<test::LabelCell*>(cell)->label->frame(),
                      QRectF(8, 4, frame.width() - 16, frame.height() - 8));
            seen.insert(indexPath);
        }
        if (y >= list->maximumContentOffset().y())
            break;
    }
    EXPECT_EQ(seen.size(), 10000u);
    EXPECT_LE(liveMost, mostVisible);
    EXPECT_EQ(source.displayed.size(), source.cellRequests);
}

TEST_F(CollectionViewTest, ScrollToItemShowsTheLastItemAboveTheBottomInset)
{
    source.sections = {ItemSource::ids(0, 150), ItemSource::ids(150, 50)};
    CollectionView* list = makeList(QRectF(0, 64, 320, 504));
    list->collectionViewLayout().setSectionInset(EdgeInsets{0, 0, 10, 0});
    list->setContentInset(EdgeInsets{0, 0, 50, 0});
    const IndexPath last{1, 49};

    list->scrollToItem(last, ScrollPosition::Bottom, false);
    list->layoutIfNeeded();
    CollectionViewCell* cell = list->cellForItem(last);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->tag(), 199);
    EXPECT_EQ(cell->frame().bottom(), list->contentOffset().y() + 504 - 50);
    EXPECT_EQ(list->contentOffset().y(), list->maximumContentOffset().y() - 10);

    list->scrollToItem(IndexPath{0, 60}, ScrollPosition::Top, false);
    EXPECT_EQ(list->contentOffset().y(), list->layoutAttributesForItem({0, 60})->frame.top());
    // An item that does not exist leaves the list where it is.
    const QPointF before = list->contentOffset();
    list->scrollToItem(IndexPath{2, 0}, ScrollPosition::Top, false);
    EXPECT_EQ(list->contentOffset(), before);

    // An animated scroll shows the content all the way, not only at its ends.
    list->scrollToItem(IndexPath{0, 0}, ScrollPosition::Top, true);
    EXPECT_EQ(list->contentOffset().y(), 0);
    bool passedThrough = false;
    ASSERT_TRUE(test::waitUntil([&] {
        const QRectF shown = list->presentationBounds();
        if (shown.top() > 600 &&
            shown.top() < list->layoutAttributesForItem({0, 60})->frame.top()) {
            const auto middle = shown.center();
            for (CollectionViewCell* visible : list->visibleCells())
                passedThrough = passedThrough || visible->frame().contains(middle);
        }
        return shown.top() == 0;
    }));
    EXPECT_TRUE(passedThrough);
    EXPECT_NE(list->cellForItem(IndexPath{0, 0}), nullptr);
    EXPECT_EQ(list->cellForItem(IndexPath{0, 60}), nullptr);

    // Inside an animation block the content scrolls with it, and cells that
    // come into sight start where they belong instead of flying in.
    View::animate(0.25, [&] { list->scrollToItem(IndexPath{1, 10}, ScrollPosition::Top, false); });
    EXPECT_NE(list->presentationBounds(), list->bounds());
    CollectionViewCell* arrived = list->cellForItem(IndexPath{1, 10});
    ASSERT_NE(arrived, nullptr);
    EXPECT_EQ(arrived->presentationFrame(), arrived->frame());
}
