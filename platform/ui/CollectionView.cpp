// The collection view's data, placement and scrolling; cell reuse is in
// CollectionViewReuse.cpp, batch updates in CollectionViewBatchUpdates.cpp.
#include "ui/CollectionView.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/CollectionViewUpdate.h"

namespace kesvor::ui {

namespace {

// Cells this far beyond the visible area, along the scroll direction, exist
// already, so that small scrolls find them in place.
constexpr double visibleMargin = 64;
// More placement rounds than this in one go means willDisplay() handlers
// keep moving the content; the last placement stands.
constexpr int maxPlacementRounds = 4;

} // namespace

CollectionView::CollectionView(const QRectF& frame, std::unique_ptr<FlowLayout> layout)
    : ScrollView(frame)
    , m_layout(layout ? std::move(layout) : std::make_unique<FlowLayout>())
{
    m_layout->setCollectionView(this);
    registerCell<CollectionViewCell>(placeholderIdentifier());
    connectScrollCallbacks();
}

CollectionView::~CollectionView()
{
    m_layout->setCollectionView(nullptr);
}

void CollectionView::connectScrollCallbacks()
{
    // Connected first, so the cells are in place before anyone else hears
    // of the scroll.
    connect(this, &ScrollView::didScroll, this, &CollectionView::scrolled);
    connect(this, &ScrollView::willBeginDragging, this, [this] {
        if (CollectionViewDelegate* delegate = this->delegate())
            delegate->scrollViewWillBeginDragging(*this);
    });
    connect(this, &ScrollView::willEndDragging, this,
            [this](const QPointF& velocity, QPointF* target) {
                if (CollectionViewDelegate* delegate = this->delegate())
                    delegate->scrollViewWillEndDragging(*this, velocity, *target);
            });
    connect(this, &ScrollView::didEndDragging, this, [this](bool decelerate) {
        if (CollectionViewDelegate* delegate = this->delegate())
            delegate->scrollViewDidEndDragging(*this, decelerate);
    });
    connect(this, &ScrollView::didEndDecelerating, this, [this] {
        if (CollectionViewDelegate* delegate = this->delegate())
            delegate->scrollViewDidEndDecelerating(*this);
    });
    connect(this, &ScrollView::didEndScrollingAnimation, this, [this] {
        if (CollectionViewDelegate* delegate = this->delegate())
            delegate->scrollViewDidEndScrollingAnimation(*this);
    });
}

void CollectionView::setDataSource(CollectionViewDataSource* dataSource)
{
    m_dataSource.reset(dataSource);
    reloadData();
}

void CollectionView::setDelegate(CollectionViewDelegate* delegate)
{
    m_delegate.reset(delegate);
    m_layout->invalidateLayout();
}

// --- Data ---------------------------------------------------------------------

void CollectionView::reloadData()
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_needsReload = true;
    m_countsValid = false;
    setNeedsLayout();
}

void CollectionView::ensureCounts()
{
    if (m_countsValid)
        return;
    m_countsValid = true;
    m_counts.clear();
    CollectionViewDataSource* source = dataSource();
    if (!source)
        return;
    const int sections = source->numberOfSections(*this);
    if (sections < 0)
        KESVOR_DEBUG_LOG << "CollectionView: the data source has" << sections
                         << "sections; showing none";
    m_counts.reserve(static_cast<size_t>(std::max(0, sections)));
    for (int section = 0; section < sections; ++section) {
        const int items = source->numberOfItemsInSection(*this, section);
        if (items < 0)
            KESVOR_DEBUG_LOG << "CollectionView: the data source has" << items << "items in section"
                             << section << "; showing none";
        m_counts.push_back(std::max(0, items));
    }
}

int CollectionView::numberOfSections()
{
    ensureCounts();
    return static_cast<int>(m_counts.size());
}

int CollectionView::numberOfItemsInSection(int section)
{
    ensureCounts();
    if (section < 0 || section >= static_cast<int>(m_counts.size()))
        return 0;
    return m_counts[static_cast<size_t>(section)];
}

// --- Layout and placement -----------------------------------------------------

void CollectionView::reloadIfNeeded()
{
    if (!m_needsReload)
        return;
    m_needsReload = false;
    recycleAll();
    ensureCounts();
    m_layout->invalidateFrom(IndexPath{0, 0});
}

void CollectionView::prepareLayoutNow()
{
    reloadIfNeeded();
    m_layout->prepare();
    setContentSize(m_layout->collectionViewContentSize());
}

void CollectionView::layoutSubviews()
{
    ScrollView::layoutSubviews();
    prepareLayoutNow();
    placeVisibleViews();
}

void CollectionView::scrolled()
{
    if (m_needsReload || !m_layout->isPrepared())
        setNeedsLayout();
    else
        placeVisibleViews();
    if (CollectionViewDelegate* delegate = this->delegate())
        delegate->scrollViewDidScroll(*this);
}

void CollectionView::presentationBoundsDidChange()
{
    ScrollView::presentationBoundsDidChange();
    if (m_needsReload || !m_layout->isPrepared())
        setNeedsLayout();
    else
        placeVisibleViews();
}

void CollectionView::contentInsetDidChange(const EdgeInsets&)
{
    // Insets across the scroll direction narrow the content; the layout
    // notices when it is prepared again.
    setNeedsLayout();
}

std::vector<LayoutAttributes> CollectionView::elementsToShow() const
{
    const bool vertical = m_layout->scrollDirection() == ScrollDirection::Vertical;
    const auto grown = [vertical](const QRectF& rect) {
        return vertical ? rect.adjusted(0, -visibleMargin, 0, visibleMargin)
                        : rect.adjusted(-visibleMargin, 0, visibleMargin, 0);
    };
    std::vector<LayoutAttributes> elements = m_layout->layoutAttributesForElements(grown(bounds()));
    const QRectF shown = presentationBounds();
    if (shown.topLeft() == bounds().topLeft())
        return elements;
    // A scroll is animating: what is drawn on the way shows too. The two
    // areas may lie far apart; what lies between them is not made.
    std::vector<LayoutAttributes> onTheWay = m_layout->layoutAttributesForElements(grown(shown));
    const auto key = [](const LayoutAttributes& a) {
        return std::make_pair(a.representedElementKind, a.indexPath);
    };
    std::map<SupplementaryKey, LayoutAttributes> merged;
    for (auto* list : {&elements, &onTheWay})
        for (LayoutAttributes& attributes : *list)
            merged.emplace(key(attributes), std::move(attributes));
    std::vector<LayoutAttributes> result;
    result.reserve(merged.size());
    for (auto& [k, attributes] : merged)
        result.push_back(std::move(attributes));
    return result;
}

void CollectionView::placeVisibleViews()
{
    // willDisplay() handlers may scroll or reload; they run after the
    // placement and a further round follows when they did.
    if (m_placing) {
        m_placeAgain = true;
        return;
    }
    m_placing = true;
    for (int round = 0; round < maxPlacementRounds; ++round) {
        m_placeAgain = false;
        placeOnce();
        if (!m_placeAgain)
            break;
    }
    m_placing = false;
}

void CollectionView::placeOnce()
{
    const std::vector<LayoutAttributes> elements = elementsToShow();
    std::map<IndexPath, const LayoutAttributes*> cellsWanted;
    std::map<SupplementaryKey, const LayoutAttributes*> supplementaryWanted;
    for (const LayoutAttributes& attributes : elements) {
        if (attributes.isCell())
            cellsWanted.emplace(attributes.indexPath, &attributes);
        else
            supplementaryWanted.emplace(
                std::make_pair(attributes.representedElementKind, attributes.indexPath),
                &attributes);
    }
    // What left the area goes first, so that what comes in can reuse it.
    for (auto it = m_visibleCells.begin(); it != m_visibleCells.end();) {
        if (cellsWanted.count(it->first)) {
            ++it;
            continue;
        }
        const auto [indexPath, cell] = *it;
        it = m_visibleCells.erase(it);
        endDisplaying(cell, indexPath);
        recycle(cell);
    }
    for (auto it = m_visibleSupplementary.begin(); it != m_visibleSupplementary.end();) {
        if (supplementaryWanted.count(it->first)) {
            ++it;
            continue;
        }
        recycle(it->second);
        it = m_visibleSupplementary.erase(it);
    }

    Appeared appeared;
    for (const auto& [indexPath, attributes] : cellsWanted) {
        if (const auto found = m_visibleCells.find(indexPath); found != m_visibleCells.end()) {
            if (!exactlyEqual(found->second->frame(), attributes->frame))
                found->second->setFrame(attributes->frame);
            continue;
        }
        CollectionViewCell* cell = obtainCell(indexPath);
        show(cell, attributes->frame);
        m_visibleCells.emplace(indexPath, cell);
        appeared.emplace_back(cell, indexPath);
    }
    for (const auto& [key, attributes] : supplementaryWanted) {
        if (const auto found = m_visibleSupplementary.find(key);
            found != m_visibleSupplementary.end()) {
            if (found->second && !exactlyEqual(found->second->frame(), attributes->frame))
                found->second->setFrame(attributes->frame);
            continue;
        }
        CollectionReusableView* view = obtainSupplementaryView(key.first, key.second);
        if (view)
            show(view, attributes->frame);
        m_visibleSupplementary.emplace(key, view);
    }
    announce(appeared);
}

void CollectionView::announce(const Appeared& appeared)
{
    // A handler may reload or scroll: cells that are no longer shown for
    // their index path are not announced.
    for (const auto& [cell, indexPath] : appeared) {
        CollectionViewDelegate* delegate = this->delegate();
        const auto current = m_visibleCells.find(indexPath);
        if (delegate && cell && current != m_visibleCells.end() && current->second == cell)
            delegate->willDisplay(*this, *cell, indexPath);
    }
}

void CollectionView::show(CollectionReusableView* view, const QRectF& frame, double alpha)
{
    // A view coming into sight starts where it belongs, also in the middle
    // of an animation.
    performWithoutAnimation([&] {
        view->setFrame(frame);
        view->setAlpha(alpha);
        view->setHidden(false);
    });
}

// --- What is shown ------------------------------------------------------------

CollectionViewCell* CollectionView::cellForItem(const IndexPath& indexPath) const
{
    const auto found = m_visibleCells.find(indexPath);
    return found == m_visibleCells.end() ? nullptr : found->second;
}

QList<CollectionViewCell*> CollectionView::visibleCells() const
{
    QList<CollectionViewCell*> result;
    for (const auto& [indexPath, cell] : m_visibleCells)
        result.append(cell);
    return result;
}

QList<IndexPath> CollectionView::indexPathsForVisibleItems() const
{
    QList<IndexPath> result;
    for (const auto& [indexPath, cell] : m_visibleCells)
        result.append(indexPath);
    return result;
}

std::optional<IndexPath> CollectionView::indexPathForCell(const CollectionViewCell* cell) const
{
    for (const auto& [indexPath, shown] : m_visibleCells)
        if (shown == cell)
            return indexPath;
    return std::nullopt;
}

CollectionReusableView* CollectionView::supplementaryView(const QString& kind,
                                                          const IndexPath& indexPath) const
{
    const auto found = m_visibleSupplementary.find(std::make_pair(kind, indexPath));
    return found == m_visibleSupplementary.end() ? nullptr : found->second;
}

std::optional<LayoutAttributes> CollectionView::layoutAttributesForItem(const IndexPath& indexPath)
{
    prepareLayoutNow();
    return m_layout->layoutAttributesForItem(indexPath);
}

void CollectionView::scrollToItem(const IndexPath& indexPath, ScrollPositions position,
                                  bool animated)
{
    const std::optional<LayoutAttributes> attributes = layoutAttributesForItem(indexPath);
    if (!attributes) {
        KESVOR_DEBUG_LOG << "CollectionView: cannot scroll to" << indexPath
                         << ", which is not in the collection";
        return;
    }
    const QRectF item = attributes->frame;
    const QSizeF size = bounds().size();
    const EdgeInsets inset = contentInset();
    // The visible area in content coordinates at the current offset.
    const QRectF visible = inset.inset(QRectF(contentOffset(), size));
    QPointF target = contentOffset();
    if (position & ScrollPosition::Top)
        target.setY(item.top() - inset.top);
    else if (position & ScrollPosition::Bottom)
        target.setY(item.bottom() + inset.bottom - size.height());
    else if (position & ScrollPosition::CenteredVertically)
        target.setY(item.center().y() - inset.top - visible.height() / 2);
    if (position & ScrollPosition::Left)
        target.setX(item.left() - inset.left);
    else if (position & ScrollPosition::Right)
        target.setX(item.right() + inset.right - size.width());
    else if (position & ScrollPosition::CenteredHorizontally)
        target.setX(item.center().x() - inset.left - visible.width() / 2);
    if (position == ScrollPosition::None) {
        // The least scroll that shows the item; its top and left win when
        // it is larger than the visible area.
        QPointF delta;
        if (item.bottom() > visible.bottom())
            delta.setY(item.bottom() - visible.bottom());
        if (item.top() < visible.top() + delta.y())
            delta.setY(item.top() - visible.top());
        if (item.right() > visible.right())
            delta.setX(item.right() - visible.right());
        if (item.left() < visible.left() + delta.x())
            delta.setX(item.left() - visible.left());
        target += delta;
    }
    setContentOffset(clamped(target), animated);
}

} // namespace kesvor::ui
