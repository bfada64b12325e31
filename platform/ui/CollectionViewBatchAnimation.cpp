// The animated pass of a batch update: the views on screen follow their
// items to their new places, new ones come in and the others go.
#include "ui/CollectionView.h"

#include "ui/CollectionViewUpdate.h"

#include <set>

namespace kesvor::ui {

namespace {

constexpr double batchDuration = 0.3;

using Frames = std::vector<std::pair<QPointer<View>, QRectF>>;
using Views = std::vector<QPointer<CollectionReusableView>>;

} // namespace

// What the animation does to each view, gathered before it starts.
struct CollectionView::BatchAnimation {
    Frames moves;
    Views fadingIn;
    Views fadingOut;
    Views leavingSight; // moves to its place out of sight, then goes
    Appeared appeared;
    std::set<IndexPath> cellsWanted;
    std::set<SupplementaryKey> supplementaryWanted;
};

void CollectionView::animateBatch(const CollectionViewUpdate& update,
                                  const FlowLayout::Geometry& before, Completions completions)
{
    BatchAnimation animation;
    followVisibleViews(update, animation);
    placeBatchViews(update, before, animation);
    runBatchAnimation(animation, std::move(completions));
}

void CollectionView::followVisibleViews(const CollectionViewUpdate& update,
                                        BatchAnimation& animation)
{
    // What was on screen, under its new index path; what went away fades.
    std::map<IndexPath, CollectionViewCell*> keptCells;
    for (const auto& [old, cell] : m_visibleCells) {
        const auto now = update.newIndexPath(old);
        if (!now || update.isReloaded(old)) {
            endDisplaying(cell, old);
            animation.fadingOut.emplace_back(cell);
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
                animation.fadingOut.emplace_back(view);
            continue;
        }
        keptSupplementary.emplace(SupplementaryKey{key.first, IndexPath{*section, key.second.item}},
                                  view);
    }
    m_visibleSupplementary = std::move(keptSupplementary);
}

// Where everything goes. A view that comes into sight starts where its item
// was before, or fades in where a new item is.
void CollectionView::placeBatchViews(const CollectionViewUpdate& update,
                                     const FlowLayout::Geometry& before, BatchAnimation& animation)
{
    for (const LayoutAttributes& attributes : elementsToShow()) {
        if (attributes.isCell())
            placeBatchCell(update, before, attributes, animation);
        else
            placeBatchSupplementaryView(update, before, attributes, animation);
    }
    sendOutOfSight(animation);
}

void CollectionView::placeBatchCell(const CollectionViewUpdate& update,
                                    const FlowLayout::Geometry& before,
                                    const LayoutAttributes& attributes, BatchAnimation& animation)
{
    const IndexPath& indexPath = attributes.indexPath;
    animation.cellsWanted.insert(indexPath);
    if (const auto found = m_visibleCells.find(indexPath); found != m_visibleCells.end()) {
        animation.moves.emplace_back(found->second, attributes.frame);
        return;
    }
    const auto old = update.oldIndexPath(indexPath);
    const auto from = old && !update.isReloaded(*old) ? before.itemFrame(*old) : std::nullopt;
    CollectionViewCell* cell = obtainCell(indexPath);
    show(cell, from.value_or(attributes.frame), from ? 1 : 0);
    if (from)
        animation.moves.emplace_back(cell, attributes.frame);
    else
        animation.fadingIn.emplace_back(cell);
    m_visibleCells.emplace(indexPath, cell);
    animation.appeared.emplace_back(cell, indexPath);
}

void CollectionView::placeBatchSupplementaryView(const CollectionViewUpdate& update,
                                                 const FlowLayout::Geometry& before,
                                                 const LayoutAttributes& attributes,
                                                 BatchAnimation& animation)
{
    const IndexPath& indexPath = attributes.indexPath;
    const SupplementaryKey key{attributes.representedElementKind, indexPath};
    animation.supplementaryWanted.insert(key);
    if (const auto found = m_visibleSupplementary.find(key);
        found != m_visibleSupplementary.end()) {
        if (found->second)
            animation.moves.emplace_back(found->second, attributes.frame);
        return;
    }
    const auto oldSection = update.oldSection(indexPath.section);
    const auto from = oldSection ? before.headerFrame(*oldSection) : std::nullopt;
    CollectionReusableView* view = obtainSupplementaryView(key.first, indexPath);
    m_visibleSupplementary.emplace(key, view);
    if (!view)
        return;
    show(view, from.value_or(attributes.frame), from ? 1 : 0);
    if (from)
        animation.moves.emplace_back(view, attributes.frame);
    else
        animation.fadingIn.emplace_back(view);
}

// Views that stay but end up out of sight move to their place, then go.
void CollectionView::sendOutOfSight(BatchAnimation& animation)
{
    for (auto it = m_visibleCells.begin(); it != m_visibleCells.end();) {
        if (animation.cellsWanted.count(it->first)) {
            ++it;
            continue;
        }
        if (const auto frame = m_layout->m_geometry.itemFrame(it->first))
            animation.moves.emplace_back(it->second, *frame);
        animation.leavingSight.emplace_back(it->second);
        endDisplaying(it->second, it->first);
        it = m_visibleCells.erase(it);
    }
    for (auto it = m_visibleSupplementary.begin(); it != m_visibleSupplementary.end();) {
        if (animation.supplementaryWanted.count(it->first)) {
            ++it;
            continue;
        }
        if (it->second) {
            if (const auto frame = m_layout->m_geometry.headerFrame(it->first.second.section))
                animation.moves.emplace_back(it->second, *frame);
            animation.leavingSight.emplace_back(it->second);
        }
        it = m_visibleSupplementary.erase(it);
    }
}

void CollectionView::runBatchAnimation(const BatchAnimation& animation, Completions completions)
{
    Views gone = animation.fadingOut;
    gone.insert(gone.end(), animation.leavingSight.begin(), animation.leavingSight.end());
    const QPointer<CollectionView> self = this;
    animate(
        batchDuration,
        [&] {
            for (const auto& [view, frame] : animation.moves)
                if (view)
                    view->setFrame(frame);
            for (const auto& view : animation.fadingIn)
                if (view)
                    view->setAlpha(1);
            for (const auto& view : animation.fadingOut)
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
    announce(animation.appeared);
}

} // namespace kesvor::ui
