// Batch updates of the collection view: changes announced by the owner,
// checked against the data source's new counts, then shown in one animated
// pass (CollectionViewBatchAnimation.cpp).
#include "ui/CollectionView.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/CollectionViewUpdate.h"

#include <QtCore/QTimer>

namespace kesvor::ui {

void CollectionView::performBatchUpdates(const std::function<void()>& updates,
                                         const std::function<void(bool)>& completion)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_batch) {
        if (updates)
            updates();
        if (completion)
            m_batchCompletions.push_back(completion);
        return;
    }
    // The announced changes apply to the counts known before them. Without
    // any (nothing shown yet, or a reload pending) everything is read afresh
    // anyway.
    const bool reloading = m_needsReload || !m_countsValid;
    m_batch = std::make_unique<CollectionViewUpdate>();
    m_batchCompletions.clear();
    if (completion)
        m_batchCompletions.push_back(completion);
    if (updates)
        updates();
    const std::unique_ptr<CollectionViewUpdate> update = std::move(m_batch);
    Completions completions = std::exchange(m_batchCompletions, {});
    if (reloading || m_needsReload) {
        reloadData();
        finishLater(std::move(completions));
        return;
    }
    applyBatch(*update, std::move(completions));
}

void CollectionView::recordChange(const std::function<void(CollectionViewUpdate&)>& change)
{
    if (m_batch)
        change(*m_batch);
    else
        performBatchUpdates([&] { change(*m_batch); });
}

void CollectionView::insertSections(const QList<int>& sections)
{
    recordChange([&](CollectionViewUpdate& update) { update.insertSections(sections); });
}

void CollectionView::deleteSections(const QList<int>& sections)
{
    recordChange([&](CollectionViewUpdate& update) { update.deleteSections(sections); });
}

void CollectionView::insertItems(const QList<IndexPath>& indexPaths)
{
    recordChange([&](CollectionViewUpdate& update) { update.insertItems(indexPaths); });
}

void CollectionView::deleteItems(const QList<IndexPath>& indexPaths)
{
    recordChange([&](CollectionViewUpdate& update) { update.deleteItems(indexPaths); });
}

void CollectionView::reloadItems(const QList<IndexPath>& indexPaths)
{
    recordChange([&](CollectionViewUpdate& update) { update.reloadItems(indexPaths); });
}

void CollectionView::moveItem(const IndexPath& from, const IndexPath& to)
{
    recordChange([&](CollectionViewUpdate& update) { update.moveItem(from, to); });
}

void CollectionView::finishLater(Completions completions)
{
    QTimer::singleShot(0, this, [completions = std::move(completions)] {
        for (const auto& completion : completions)
            if (completion)
                completion(true);
    });
}

void CollectionView::applyBatch(CollectionViewUpdate& update, Completions completions)
{
    const std::vector<int> before = m_counts;
    m_countsValid = false;
    ensureCounts();
    QString problem;
    if (!update.resolve(before, m_counts, &problem)) {
        KESVOR_DEBUG_LOG << "CollectionView: the batch update does not match the data source ("
                         << problem << "); reloading all data";
        reloadData();
        finishLater(std::move(completions));
        return;
    }
    const FlowLayout::Geometry oldGeometry = m_layout->m_geometry;
    m_layout->invalidateFrom(update.isEmpty() ? IndexPath{0, 0} : update.firstChange());
    m_layout->prepare();
    setContentSize(m_layout->collectionViewContentSize());
    animateBatch(update, oldGeometry, std::move(completions));
}

} // namespace kesvor::ui
