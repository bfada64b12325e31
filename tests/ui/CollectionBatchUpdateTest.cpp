#include "ui/CollectionFixtures.h"
#include "ui/UiTest.h"

#include "support/TestSupport.h"

#include <QtCore/QRandomGenerator>

using namespace kesvor;
using namespace kesvor::ui;
using test::ItemSource;

namespace {

class CollectionBatchUpdateTest : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        root = makeRoot(hostWidth, hostHeight);
        list = addList();
        source.headerHeight = 25;
        source.attach(*list);
    }

    CollectionView* addList()
    {
        auto* view = new CollectionView(QRectF(0, 0, 320, 400));
        root->addSubview(view);
        view->collectionViewLayout().setSectionInset(EdgeInsets{0, 0, 10, 0});
        view->collectionViewLayout().setMinimumLineSpacing(4);
        return view;
    }

    /// The list shows what a list loaded afresh from the same data shows,
    /// at the same offset: the same items, frames and content.
    void expectSameAsFreshList()
    {
        if (!reference) {
            reference = addList();
            referenceSource.attach(*reference);
        }
        referenceSource.sections = source.sections;
        referenceSource.headerHeight = source.headerHeight;
        referenceSource.sizeOf = source.sizeOf;
        reference->reloadData();
        reference->layoutIfNeeded();
        reference->setContentOffset(list->contentOffset());
        reference->layoutIfNeeded();
        list->layoutIfNeeded();
        EXPECT_EQ(list->contentSize(), reference->contentSize());
        ASSERT_EQ(list->indexPathsForVisibleItems(), reference->indexPathsForVisibleItems());
        for (const IndexPath& indexPath : list->indexPathsForVisibleItems()) {
            EXPECT_EQ(list->cellForItem(indexPath)->tag(), source.idAt(indexPath))
                << indexPath.item;
            EXPECT_EQ(list->cellForItem(indexPath)->frame(),
                      reference->cellForItem(indexPath)->frame());
        }
        for (int section = 0; section < int(source.sections.size()); ++section)
            for (int item = 0; item < int(source.sections[section].size()); ++item)
                ASSERT_EQ(list->layoutAttributesForItem({section, item})->frame,
                          reference->layoutAttributesForItem({section, item})->frame);
    }

    View* root = nullptr;
    CollectionView* list = nullptr;
    ItemSource source;
    CollectionView* reference = nullptr;
    ItemSource referenceSource;
};

} // namespace

TEST_F(CollectionBatchUpdateTest, ItemAndNewSectionInsertedTogether)
{
    source.sections = {{0, 1, 2}};
    list->layoutIfNeeded();
    CollectionViewCell* first = list->cellForItem({0, 0});

    // A new message at the end of the day and the first of the next day,
    // announced as a store reports them.
    bool finished = false;
    list->performBatchUpdates(
        [&] {
            source.sections[0].append(3);
            source.sections.append(QList<int>{4});
            list->insertItems({{0, 3}});
            list->insertSections({1});
            list->insertItems({{1, 0}});
        },
        [&](bool done) { finished = done; });

    EXPECT_EQ(list->cellForItem({0, 0}), first);
    EXPECT_EQ(list->cellForItem({0, 3})->frame(), QRectF(0, 136, 320, 59));
    EXPECT_EQ(list->supplementaryView(CollectionElementKindSectionHeader, {1, 0})->frame(),
              QRectF(0, 205, 320, 25));
    EXPECT_EQ(list->cellForItem({1, 0})->frame(), QRectF(0, 230, 320, 72));
    EXPECT_EQ(list->cellForItem({1, 0})->tag(), 4);
    EXPECT_TRUE(source.displayed.contains(IndexPath{1, 0}));
    EXPECT_FALSE(finished);
    ASSERT_TRUE(test::waitUntil([&] { return finished; }));
    expectSameAsFreshList();
}

TEST_F(CollectionBatchUpdateTest, ReloadDeleteAndMoveLeaveTheRightCellsAtTheRightFrames)
{
    source.sections = {ItemSource::ids(0, 6)};
    list->layoutIfNeeded();
    CollectionViewCell* one = list->cellForItem({0, 1});
    CollectionViewCell* two = list->cellForItem({0, 2});
    CollectionViewCell* five = list->cellForItem({0, 5});

    // Delete 0, reload 2 (now 12), move 5 to the top.
    list->performBatchUpdates([&] {
        source.sections[0] = {5, 1, 12, 3, 4};
        list->deleteItems({{0, 0}});
        list->reloadItems({{0, 2}});
        list->moveItem({0, 5}, {0, 0});
    });
    EXPECT_EQ(list->cellForItem({0, 0}), five);
    EXPECT_EQ(list->cellForItem({0, 0})->frame(), QRectF(0, 25, 320, 85));
    EXPECT_EQ(list->cellForItem({0, 1}), one);
    EXPECT_EQ(list->cellForItem({0, 1})->frame(), QRectF(0, 114, 320, 33));
    EXPECT_NE(list->cellForItem({0, 2}), two);
    EXPECT_EQ(list->cellForItem({0, 2})->tag(), 12);
    expectSameAsFreshList();

    // The old cell of item 2 fades out and then waits for reuse.
    ASSERT_TRUE(test::waitUntil([&] { return two->isHidden(); }));
    EXPECT_EQ(two->alpha(), 1);
}

TEST_F(CollectionBatchUpdateTest, ChangesThatDoNotAddUpReloadEverything)
{
    source.sections = {ItemSource::ids(0, 4)};
    list->layoutIfNeeded();
    int completions = 0;

    // Two items arrive, one is announced.
    list->performBatchUpdates(
        [&] {
            source.sections[0] += {10, 11};
            list->insertItems({{0, 4}});
        },
        [&](bool) { ++completions; });
    list->layoutIfNeeded();
    EXPECT_EQ(list->numberOfItemsInSection(0), 6);
    expectSameAsFreshList();

    // An index path that does not exist, outside a batch.
    list->deleteItems({{0, 9}});
    list->layoutIfNeeded();
    EXPECT_EQ(list->numberOfItemsInSection(0), 6);
    // The same item changed twice.
    list->performBatchUpdates([&] {
        source.sections[0].removeAt(1);
        list->deleteItems({{0, 1}});
        list->reloadItems({{0, 1}});
    });
    ASSERT_TRUE(test::waitUntil([&] { return completions == 1; }));
    expectSameAsFreshList();
}

TEST_F(CollectionBatchUpdateTest, RandomBatchesMatchAFreshList)
{
    // Random batches of every kind of change, the data changed as announced:
    // the list must show what a list loaded afresh shows, which catches
    // wrong mappings and stale frames alike.
    QRandomGenerator random(20240611);
    int nextId = 0;
    const auto newIds = [&](int count) {
        const QList<int> ids = ItemSource::ids(nextId, count);
        nextId += count;
        return ids;
    };
    for (int section = 0; section < 3; ++section)
        source.sections.append(newIds(8));
    // Lines of one and of two items.
    source.sizeOf = [](CollectionView&, int id) {
        return QSizeF(id % 3 ? 150 : 320, 20 + (id % 7) * 13);
    };
    list->layoutIfNeeded();

    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        // Sparse batches show faults that busy ones hide.
        const int percent = QList<int>{2, 5, 30}[round % 3];
        std::vector<std::function<void()>> announce;
        QList<QList<int>> after;
        // Items that leave their place and arrive elsewhere: moves from an
        // old index path, or new items (no old index path).
        QList<std::pair<std::optional<IndexPath>, int>> arriving;
        for (int section = 0; section < source.sections.size(); ++section) {
            if (source.sections.size() > 1 && random.bounded(100) < percent / 2) {
                announce.push_back([=, this] { list->deleteSections({section}); });
                continue;
            }
            QList<int> kept;
            for (int item = 0; item < source.sections[section].size(); ++item) {
                const IndexPath old{section, item};
                switch (random.bounded(100) < percent ? random.bounded(3) : 3) {
                case 0:
                    announce.push_back([=, this] { list->deleteItems({old}); });
                    break;
                case 1:
                    announce.push_back([=, this] { list->reloadItems({old}); });
                    kept.append(newIds(1).first());
                    break;
                case 2:
                    arriving.append({old, source.sections[section][item]});
                    break;
                default:
                    kept.append(source.sections[section][item]);
                }
            }
            after.append(kept);
        }
        if (after.isEmpty() || random.bounded(100) < percent) {
            const int at = int(random.bounded(after.size() + 1));
            after.insert(at, newIds(int(random.bounded(1, 5))));
            announce.push_back([=, this] { list->insertSections({at}); });
        }
        for (int extra = int(random.bounded(3)); extra > 0; --extra)
            arriving.append({std::nullopt, newIds(1).first()});
        for (const auto& [from, id] : arriving) {
            const int section = int(random.bounded(after.size()));
            after[section].insert(int(random.bounded(after[section].size() + 1)), id);
        }
        for (const auto& [from, id] : arriving) {
            IndexPath to;
            for (int section = 0; section < after.size(); ++section)
                if (const qsizetype item = after[section].indexOf(id); item >= 0)
                    to = IndexPath{section, int(item)};
            // A copy: clang 14 lets no lambda capture a structured binding.
            if (const std::optional<IndexPath> origin = from)
                announce.push_back([=, this] { list->moveItem(*origin, to); });
            else
                announce.push_back([=, this] { list->insertItems({to}); });
        }
        test::LogCapture log;
        list->performBatchUpdates([&] {
            source.sections = after;
            for (const auto& change : announce)
                change();
        });
        EXPECT_FALSE(log.contains("does not match")) << log.lines().join('\n').toStdString();
        list->setContentOffset(QPointF(0, random.bounded(list->maximumContentOffset().y() + 1)));
        expectSameAsFreshList();
        if (HasFailure())
            return;
    }
}
