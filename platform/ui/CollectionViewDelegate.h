#pragma once

#include "ui/IndexPath.h"

#include <QtCore/QPointF>

namespace kesvor::ui {

class CollectionView;
class CollectionViewCell;
class ScrollView;

/// What happens in a collection view: cells coming into sight and leaving
/// it, and the scrolling. Every call has a default that does nothing. A
/// delegate that is a QObject is held weakly; any other must outlive the view
/// or be unset first.
class CollectionViewDelegate {
public:
    virtual ~CollectionViewDelegate() = default;

    /// The cell is about to be shown for indexPath.
    virtual void willDisplay(CollectionView&, CollectionViewCell&, const IndexPath&) {}
    /// The cell left the screen (or its item went away) and is kept for reuse.
    virtual void didEndDisplaying(CollectionView&, CollectionViewCell&, const IndexPath&) {}

    virtual void scrollViewDidScroll(ScrollView&) {}
    virtual void scrollViewWillBeginDragging(ScrollView&) {}
    /// velocity in points per millisecond, in the direction the offset
    /// moves; change targetContentOffset to choose where the content rests.
    virtual void scrollViewWillEndDragging(ScrollView&, const QPointF& /*velocity*/,
                                           QPointF& /*targetContentOffset*/)
    {
    }
    virtual void scrollViewDidEndDragging(ScrollView&, bool /*willDecelerate*/) {}
    virtual void scrollViewDidEndDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndScrollingAnimation(ScrollView&) {}
};

} // namespace kesvor::ui
