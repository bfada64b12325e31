#pragma once

#include "ui/CollectionViewDelegate.h"
#include "ui/Geometry.h"

#include <QtCore/QSizeF>

#include <optional>

namespace kesvor::ui {

class FlowLayout;

/// A collection view delegate that also answers a flow layout's questions
/// per section and per item. std::nullopt (the default) takes the layout's
/// own property.
class CollectionViewDelegateFlowLayout : public CollectionViewDelegate {
public:
    virtual std::optional<QSizeF> sizeForItemAt(CollectionView&, FlowLayout&, const IndexPath&)
    {
        return std::nullopt;
    }
    virtual std::optional<EdgeInsets> insetForSectionAt(CollectionView&, FlowLayout&, int)
    {
        return std::nullopt;
    }
    virtual std::optional<double> minimumLineSpacingForSectionAt(CollectionView&, FlowLayout&, int)
    {
        return std::nullopt;
    }
    virtual std::optional<double> minimumInteritemSpacingForSectionAt(CollectionView&, FlowLayout&,
                                                                      int)
    {
        return std::nullopt;
    }
    virtual std::optional<QSizeF> referenceSizeForHeaderInSection(CollectionView&, FlowLayout&, int)
    {
        return std::nullopt;
    }
};

} // namespace kesvor::ui
