// The collection view's cell reuse: registration, dequeueing, and the pools
// that views leaving the screen wait in.
#include "ui/CollectionView.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

namespace kesvor::ui {

namespace {

QString supplementaryPoolKey(const QString& kind, const QString& reuseIdentifier)
{
    return kind + QChar(0x1f) + reuseIdentifier;
}

} // namespace

const QString& CollectionView::placeholderIdentifier()
{
    // Stands in for a cell the data source did not give.
    static const QString identifier = QStringLiteral("kesvor.collectionView.placeholder");
    return identifier;
}

// --- Reuse --------------------------------------------------------------------

void CollectionView::registerCell(const QString& reuseIdentifier, CellFactory factory)
{
    m_cellFactories.insert(reuseIdentifier, std::move(factory));
}

void CollectionView::registerSupplementaryView(const QString& kind, const QString& reuseIdentifier,
                                               SupplementaryViewFactory factory)
{
    m_supplementaryFactories.insert(supplementaryPoolKey(kind, reuseIdentifier),
                                    std::move(factory));
}

CollectionViewCell* CollectionView::dequeueReusableCell(const QString& reuseIdentifier,
                                                        const IndexPath& indexPath)
{
    KESVOR_ASSERT_MAIN_THREAD();
    const CellFactory factory = m_cellFactories.value(reuseIdentifier);
    CollectionReusableView* cell = dequeue(reuseIdentifier, reuseIdentifier,
                                           factory ? ReusableViewFactory(factory) : nullptr, true);
    if (!cell)
        KESVOR_DEBUG_LOG << "CollectionView: no cell class registered under" << reuseIdentifier
                         << "for" << indexPath;
    return static_cast<CollectionViewCell*>(cell);
}

CollectionReusableView* CollectionView::dequeueReusableSupplementaryView(
    const QString& kind, const QString& reuseIdentifier, const IndexPath& indexPath)
{
    KESVOR_ASSERT_MAIN_THREAD();
    const QString key = supplementaryPoolKey(kind, reuseIdentifier);
    CollectionReusableView* view =
        dequeue(key, reuseIdentifier, m_supplementaryFactories.value(key), false);
    if (!view)
        KESVOR_DEBUG_LOG << "CollectionView: no" << kind << "view registered under"
                         << reuseIdentifier << "for" << indexPath;
    return view;
}

CollectionReusableView* CollectionView::dequeue(const QString& poolKey,
                                                const QString& reuseIdentifier,
                                                const ReusableViewFactory& make, bool atBack)
{
    QList<CollectionReusableView*>& pool = m_reusable[poolKey];
    CollectionReusableView* view = nullptr;
    if (!pool.isEmpty()) {
        view = pool.takeLast();
        view->prepareForReuse();
    } else {
        view = make ? make() : nullptr;
        if (!view)
            return nullptr;
        view->m_reuseIdentifier = reuseIdentifier;
        view->m_poolKey = poolKey;
        adopt(view, atBack);
    }
    // Handed back to the pool if the data source does not use it.
    m_dequeued.push_back(view);
    return view;
}

void CollectionView::adopt(CollectionReusableView* view, bool atBack)
{
    // Hidden until placed. Cells go under the headers and indicators.
    view->setHidden(true);
    performWithoutAnimation([&] { insertSubview(view, atBack ? 0 : -1); });
}

void CollectionView::recycle(CollectionReusableView* view)
{
    if (!view)
        return;
    view->m_inUse = false;
    if (view->m_poolKey.isEmpty()) {
        // Not made here: nothing would dequeue it again.
        view->removeFromSuperview();
        view->deleteLater();
        return;
    }
    view->setHidden(true);
    m_reusable[view->m_poolKey].append(view);
}

void CollectionView::endDisplaying(CollectionViewCell* cell, const IndexPath& indexPath)
{
    if (CollectionViewDelegate* delegate = this->delegate())
        delegate->didEndDisplaying(*this, *cell, indexPath);
}

void CollectionView::recycleAll()
{
    const auto cells = std::exchange(m_visibleCells, {});
    for (const auto& [indexPath, cell] : cells) {
        endDisplaying(cell, indexPath);
        recycle(cell);
    }
    const auto supplementary = std::exchange(m_visibleSupplementary, {});
    for (const auto& [key, view] : supplementary)
        recycle(view);
}

CollectionViewCell* CollectionView::obtainCell(const IndexPath& indexPath)
{
    m_dequeued.clear();
    CollectionViewDataSource* source = dataSource();
    CollectionViewCell* cell = source ? source->cellForItemAt(*this, indexPath) : nullptr;
    if (cell && cell->m_inUse) {
        KESVOR_DEBUG_LOG << "CollectionView: the data source gave a cell already shown, for"
                         << indexPath;
        cell = nullptr;
    }
    // Dequeued but not handed back: ready for the next item.
    for (CollectionReusableView* dequeued : std::exchange(m_dequeued, {}))
        if (dequeued != cell)
            recycle(dequeued);
    if (!cell) {
        KESVOR_DEBUG_LOG << "CollectionView: no cell for" << indexPath << "; showing an empty one";
        cell = dequeueReusableCell(placeholderIdentifier(), indexPath);
        m_dequeued.clear();
    }
    if (cell->superview() != this)
        adopt(cell, true);
    cell->m_inUse = true;
    return cell;
}

CollectionReusableView* CollectionView::obtainSupplementaryView(const QString& kind,
                                                                const IndexPath& indexPath)
{
    m_dequeued.clear();
    CollectionViewDataSource* source = dataSource();
    CollectionReusableView* view =
        source ? source->viewForSupplementaryElementOfKind(*this, kind, indexPath) : nullptr;
    if (view && view->m_inUse)
        view = nullptr;
    for (CollectionReusableView* dequeued : std::exchange(m_dequeued, {}))
        if (dequeued != view)
            recycle(dequeued);
    if (!view)
        return nullptr;
    if (view->superview() != this)
        adopt(view, false);
    view->m_inUse = true;
    return view;
}

} // namespace kesvor::ui
