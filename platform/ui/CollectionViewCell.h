#pragma once

#include "ui/CollectionReusableView.h"

namespace kesvor::ui {

/// One item of a collection view. What the cell shows goes into
/// contentView(), which always fills the cell; it is set by hand, so
/// constraints inside it cost the layout engine nothing when the cell only
/// moves.
class CollectionViewCell : public CollectionReusableView {
    Q_OBJECT
public:
    explicit CollectionViewCell(const QRectF& frame = QRectF());

    View* contentView() const { return m_contentView; }

private:
    View* m_contentView;
};

} // namespace kesvor::ui
