// Batch updates of the collection view: changes announced by the owner,
// checked against the data source's new counts, shown in one animated pass.
#include "ui/CollectionView.h"

#include "ui/CollectionViewUpdate.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtCore/QTimer>

#include <set>

namespace kesvor::ui {

namespace {

constexpr double batchDuration = 0.3;

using Frames = std::vector<std::pair<QPointer<View>, QRectF>>;
using Views = std::vector<QPointer<CollectionReusableView>>;

} // namespace

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

void CollectionView::animateBatch(const CollectionViewUpdate& update,
                                  const FlowLayout::Geometry& before, Completions completions)
{
    // What was on screen, under its new index path; what went away fades.
    Views fadingOut;
    std::map<IndexPath, CollectionViewCell*> keptCells;
    for (const auto& [old, cell] : m_visibleCells) {
        const auto now = update.newIndexPath(old);
        if (!now || update.isReloaded(old)) {
            endDisplaying(cell, old);
            fadingOut.emplace_back(cell);
            continue;
        }
        keptCells.emplace(*now, cell);
    }
    m_visibleCells = std::move(keptCells);
    std::map<SupplementaryKey, CollectionReusableView*> keptSupplementary;
    for (const auto& [key, view] : m_visibleSupplementary) {
        const auto section = update.newSection(key.second.section);
        if (!section) {
            if (view)
                fadingOut.emplace_back(view);
            continue;
        }
        keptSupplementary.emplace(SupplementaryKey{key.first, IndexPath{*section, key.second.item}},
                                  view);
    }
    m_visibleSupplementary = std::move(keptSupplementary);

    // Where everything goes. Views that come into sight start where their
    // item was before, or fade in where a new item is.
    Frames moves;
    Views fadingIn;
    Appeared appeared;
    std::set<IndexPath> cellsWanted;
    std::set<SupplementaryKey> supplementaryWanted;
    for (const LayoutAttributes& attributes : elementsToShow()) {
        const IndexPath& indexPath = attributes.indexPath;
        if (attributes.isCell()) {
            cellsWanted.insert(indexPath);
            if (const auto found = m_visibleCells.find(indexPath); found != m_visibleCells.end()) {
                moves.emplace_back(found->second, attributes.frame);
                continue;
            }
            const auto old = update.oldIndexPath(indexPath);
            const auto from =
                old && !update.isReloaded(*old) ? before.itemFrame(*old) : std::nullopt;
            CollectionViewCell* cell = obtainCell(indexPath);
            show(cell, from.value_or(attributes.frame), from ? 1 : 0);
            if (from)
                moves.emplace_back(cell, attributes.frame);
            else
                fadingIn.emplace_back(cell);
            m_visibleCells.emplace(indexPath, cell);
            appeared.emplace_back(cell, indexPath);
            continue;
        }
        const SupplementaryKey key{attributes.representedElementKind, indexPath};
        supplementaryWanted.insert(key);
        if (const auto found = m_visibleSupplementary.find(key);
            found != m_visibleSupplementary.end()) {
            if (found->second)
                moves.emplace_back(found->second, attributes.frame);
            continue;
        }
        const auto oldSection = update.oldSection(indexPath.section);
        const auto from = oldSection ? before.headerFrame(*oldSection) : std::nullopt;
        CollectionReusableView* view = obtainSupplementaryView(key.first, indexPath);
        m_visibleSupplementary.emplace(key, view);
        if (!view)
            continue;
        show(view, from.value_or(attributes.frame), from ? 1 : 0);
        if (from)
            moves.emplace_back(view, attributes.frame);
        else
            fadingIn.emplace_back(view);
    }

    // Views that stay but end up out of sight move to their place, then go.
    Views leavingSight;
    for (auto it = m_visibleCells.begin(); it != m_visibleCells.end();) {
        if (cellsWanted.count(it->first)) {
            ++it;
            continue;
        }
        if (const auto frame = m_layout->m_geometry.itemFrame(it->first))
            moves.emplace_back(it->second, *frame);
        leavingSight.emplace_back(it->second);
        endDisplaying(it->second, it->first);
        it = m_visibleCells.erase(it);
    }
    for (auto it = m_visibleSupplementary.begin(); it != m_visibleSupplementary.end();) {
        if (supplementaryWanted.count(it->first)) {
            ++it;
            continue;
        }
        if (it->second) {
            if (const auto frame = m_layout->m_geometry.headerFrame(it->first.second.section))
                moves.emplace_back(it->second, *frame);
            leavingSight.emplace_back(it->second);
        }
        it = m_visibleSupplementary.erase(it);
    }

    Views gone = fadingOut;
    gone.insert(gone.end(), leavingSight.begin(), leavingSight.end());
    const QPointer<CollectionView> self = this;
    animate(
        batchDuration,
        [&] {
            for (const auto& [view, frame] : moves)
                if (view)
                    view->setFrame(frame);
            for (const auto& view : fadingIn)
                if (view)
                    view->setAlpha(1);
            for (const auto& view : fadingOut)
                if (view)
                    view->setAlpha(0);
        },
        [self, gone, completions](bool finished) {
            if (!self)
                return;
            for (const auto& view : gone) {
                if (!view)
                    continue;
                performWithoutAnimation([&] { view->setAlpha(1); });
                self->recycle(view);
            }
            for (const auto& completion : completions)
                if (completion)
                    completion(finished);
        });
    announce(appeared);
}

} // namespace kesvor::ui
