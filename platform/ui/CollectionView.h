#pragma once

#include "ui/CollectionViewCell.h"
#include "ui/CollectionViewDataSource.h"
#include "ui/CollectionViewDelegate.h"
#include "ui/FlowLayout.h"
#include "ui/ScrollView.h"

#include <QtCore/QHash>
#include <QtCore/QPointer>

#include <functional>
#include <map>
#include <memory>

namespace kesvor::ui {

class CollectionViewUpdate;

/// Where scrollToItem() puts the item in the visible area (the bounds less
/// the content insets). No flag on an axis leaves that axis alone; no flag
/// at all scrolls the least that shows the item.
enum class ScrollPosition {
    None = 0x0,
    Top = 0x1,
    CenteredVertically = 0x2,
    Bottom = 0x4,
    Left = 0x8,
    CenteredHorizontally = 0x10,
    Right = 0x20,
};
Q_DECLARE_FLAGS(ScrollPositions, ScrollPosition)
Q_DECLARE_OPERATORS_FOR_FLAGS(ScrollPositions)

/// A scrolling view of cells that a flow layout places and a data source
/// fills. Only the cells (and section headers) that meet the visible area,
/// plus a small margin, exist as views; one that leaves it is hidden and kept
/// for reuse under its reuse identifier, so scrolling any number of items
/// keeps the number of views bounded and the layout engine's work constant.
///
/// Counts are asked for on the first layout and after reloadData(), and
/// cached in between. Changes announced inside performBatchUpdates() move the
/// cells in one animated pass; when the data source's counts do not match
/// them, the view reloads everything instead (a debug line says why).
///
/// While a scroll animates, the cells both where it started and where it is
/// drawn exist, so the content shows all the way.
///
/// Main thread only.
class CollectionView : public ScrollView {
    Q_OBJECT
public:
    using CellFactory = std::function<CollectionViewCell*()>;
    using SupplementaryViewFactory = std::function<CollectionReusableView*()>;

    /// A null layout gets a default flow layout.
    explicit CollectionView(const QRectF& frame = QRectF(),
                            std::unique_ptr<FlowLayout> layout = nullptr);
    ~CollectionView() override;

    FlowLayout& collectionViewLayout() const { return *m_layout; }

    CollectionViewDataSource* dataSource() const { return m_dataSource.get(); }
    void setDataSource(CollectionViewDataSource* dataSource);
    /// A CollectionViewDelegateFlowLayout also answers the layout's questions.
    CollectionViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(CollectionViewDelegate* delegate);

    // --- Reuse ------------------------------------------------------------------

    /// factory makes a new cell when none is waiting for reuse.
    void registerCell(const QString& reuseIdentifier, CellFactory factory);
    template <typename Cell> void registerCell(const QString& reuseIdentifier)
    {
        registerCell(reuseIdentifier, [] { return new Cell(QRectF()); });
    }
    void registerSupplementaryView(const QString& kind, const QString& reuseIdentifier,
                                   SupplementaryViewFactory factory);
    template <typename Supplementary>
    void registerSupplementaryView(const QString& kind, const QString& reuseIdentifier)
    {
        registerSupplementaryView(kind, reuseIdentifier,
                                  [] { return new Supplementary(QRectF()); });
    }

    /// For the data source's cellForItemAt(): a cell waiting for reuse
    /// (prepareForReuse() called) or a new one. nullptr, with a debug line,
    /// when nothing is registered under reuseIdentifier.
    CollectionViewCell* dequeueReusableCell(const QString& reuseIdentifier,
                                            const IndexPath& indexPath);
    /// As dequeueReusableCell(), for a registered subclass; nullptr when the
    /// registered class is another.
    template <typename Cell>
    Cell* dequeueReusableCell(const QString& reuseIdentifier, const IndexPath& indexPath)
    {
        return dynamic_cast<Cell*>(dequeueReusableCell(reuseIdentifier, indexPath));
    }
    CollectionReusableView* dequeueReusableSupplementaryView(const QString& kind,
                                                             const QString& reuseIdentifier,
                                                             const IndexPath& indexPath);

    // --- Data -------------------------------------------------------------------

    /// Drops every cell and asks the data source again on the next layout.
    void reloadData();
    /// The counts as the view knows them (they change with reloadData() and
    /// batch updates, not when the data source's data does).
    int numberOfSections();
    int numberOfItemsInSection(int section);

    /// Runs updates, in which the owner changes its data and announces the
    /// changes below, then checks the new counts and moves everything in one
    /// animated pass. completion(finished) runs when the animation is over.
    /// Calls nest into the outermost batch. Items before the first change
    /// keep the sizes they had; an empty batch measures everything again
    /// (animating size changes).
    void performBatchUpdates(const std::function<void()>& updates,
                             const std::function<void(bool)>& completion = {});
    /// Outside performBatchUpdates(), each of these is a batch of its own.
    void insertSections(const QList<int>& sections);
    void deleteSections(const QList<int>& sections);
    void insertItems(const QList<IndexPath>& indexPaths);
    void deleteItems(const QList<IndexPath>& indexPaths);
    void reloadItems(const QList<IndexPath>& indexPaths);
    void moveItem(const IndexPath& from, const IndexPath& to);

    // --- What is shown ----------------------------------------------------------

    /// The cell shown for indexPath, or nullptr when it is not on screen.
    CollectionViewCell* cellForItem(const IndexPath& indexPath) const;
    QList<CollectionViewCell*> visibleCells() const;
    QList<IndexPath> indexPathsForVisibleItems() const;
    std::optional<IndexPath> indexPathForCell(const CollectionViewCell* cell) const;
    CollectionReusableView* supplementaryView(const QString& kind,
                                              const IndexPath& indexPath) const;
    /// Where the item goes, with the layout brought up to date first.
    std::optional<LayoutAttributes> layoutAttributesForItem(const IndexPath& indexPath);

    /// Scrolls so that the item is at position in the visible area, as far
    /// as the content allows. An item that does not exist is ignored, with a
    /// debug line.
    void scrollToItem(const IndexPath& indexPath, ScrollPositions position, bool animated);

protected:
    void layoutSubviews() override;
    void presentationBoundsDidChange() override;
    void contentInsetDidChange(const EdgeInsets& previous) override;

private:
    /// A QObject data source or delegate is followed weakly.
    template <typename T> class WeakInterface {
    public:
        void reset(T* pointer)
        {
            m_pointer = pointer;
            m_object = dynamic_cast<QObject*>(pointer);
            m_tracked = !m_object.isNull();
        }
        T* get() const { return m_tracked && m_object.isNull() ? nullptr : m_pointer; }

    private:
        T* m_pointer = nullptr;
        QPointer<QObject> m_object;
        bool m_tracked = false;
    };
    using SupplementaryKey = std::pair<QString, IndexPath>;
    using ReusableViewFactory = std::function<CollectionReusableView*()>;
    using Completions = std::vector<std::function<void(bool)>>;
    using Appeared = std::vector<std::pair<QPointer<CollectionViewCell>, IndexPath>>;

    static const QString& placeholderIdentifier();
    void connectScrollCallbacks();
    void ensureCounts();
    void prepareLayoutNow();
    void reloadIfNeeded();
    void scrolled();
    void placeVisibleViews();
    void placeOnce();
    std::vector<LayoutAttributes> elementsToShow() const;
    CollectionViewCell* obtainCell(const IndexPath& indexPath);
    CollectionReusableView* obtainSupplementaryView(const QString& kind,
                                                    const IndexPath& indexPath);
    /// A view from the pool, or a new one from make.
    CollectionReusableView* dequeue(const QString& poolKey, const QString& reuseIdentifier,
                                    const ReusableViewFactory& make, bool atBack);
    void announce(const Appeared& appeared);
    void adopt(CollectionReusableView* view, bool atBack);
    void show(CollectionReusableView* view, const QRectF& frame, double alpha = 1);
    void endDisplaying(CollectionViewCell* cell, const IndexPath& indexPath);
    void recycle(CollectionReusableView* view);
    void recycleAll();
    void recordChange(const std::function<void(CollectionViewUpdate&)>& change);
    void applyBatch(CollectionViewUpdate& update, Completions completions);
    struct BatchAnimation;
    void animateBatch(const CollectionViewUpdate& update, const FlowLayout::Geometry& before,
                      Completions completions);
    void followVisibleViews(const CollectionViewUpdate& update, BatchAnimation& animation);
    void placeBatchViews(const CollectionViewUpdate& update, const FlowLayout::Geometry& before,
                         BatchAnimation& animation);
    void placeBatchCell(const CollectionViewUpdate& update, const FlowLayout::Geometry& before,
                        const LayoutAttributes& attributes, BatchAnimation& animation);
    void placeBatchSupplementaryView(const CollectionViewUpdate& update,
                                     const FlowLayout::Geometry& before,
                                     const LayoutAttributes& attributes, BatchAnimation& animation);
    void sendOutOfSight(BatchAnimation& animation);
    void runBatchAnimation(const BatchAnimation& animation, Completions completions);
    void finishLater(Completions completions);

    std::unique_ptr<FlowLayout> m_layout;
    WeakInterface<CollectionViewDataSource> m_dataSource;
    WeakInterface<CollectionViewDelegate> m_delegate;

    QHash<QString, CellFactory> m_cellFactories;
    QHash<QString, SupplementaryViewFactory> m_supplementaryFactories;
    QHash<QString, QList<CollectionReusableView*>> m_reusable;
    std::vector<CollectionReusableView*> m_dequeued;

    std::map<IndexPath, CollectionViewCell*> m_visibleCells;
    std::map<SupplementaryKey, CollectionReusableView*> m_visibleSupplementary;

    std::vector<int> m_counts;
    bool m_countsValid = false;
    bool m_needsReload = true;
    bool m_placing = false;
    bool m_placeAgain = false;
    std::unique_ptr<CollectionViewUpdate> m_batch;
    Completions m_batchCompletions;
};

} // namespace kesvor::ui
