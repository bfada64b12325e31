#include "ui/CollectionViewCell.h"

namespace kesvor::ui {

CollectionViewCell::CollectionViewCell(const QRectF& frame)
    : CollectionReusableView(frame)
    , m_contentView(new View(QRectF(QPointF(), frame.size())))
{
    addSubview(m_contentView);
    // Resized with the cell at once rather than in a later layout round, so
    // the engine solves the cell's content once per change of size.
    connect(this, &View::boundsChanged, this, [this](const QRectF& bounds) {
        m_contentView->setFrame(QRectF(QPointF(), bounds.size()));
    });
}

} // namespace kesvor::ui
