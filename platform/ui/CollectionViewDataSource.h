#pragma once

#include "ui/IndexPath.h"

#include <QtCore/QString>

namespace kesvor::ui {

class CollectionView;
class CollectionViewCell;
class CollectionReusableView;

/// What a collection view shows. The view caches the counts: it asks again
/// on reloadData() and checks them after batch updates. A data source that
/// is a QObject is held weakly; any other must outlive the view or be
/// unset first.
class CollectionViewDataSource {
public:
    virtual ~CollectionViewDataSource() = default;

    virtual int numberOfSections(CollectionView&) { return 1; }
    virtual int numberOfItemsInSection(CollectionView& collectionView, int section) = 0;
    /// A cell from collectionView.dequeueReusableCell(), filled for the item.
    virtual CollectionViewCell* cellForItemAt(CollectionView& collectionView,
                                              const IndexPath& indexPath) = 0;
    /// A view from dequeueReusableSupplementaryView() for a supplementary
    /// element the layout places (section headers), or nullptr for none.
    virtual CollectionReusableView*
    viewForSupplementaryElementOfKind(CollectionView&, const QString&, const IndexPath&)
    {
        return nullptr;
    }
};

} // namespace kesvor::ui
