#include "Cells/QuickReplyCollectionCell.h"

#include "View/QuickReplyStrip.h"

namespace kesvor {

QuickReplyCollectionCell::QuickReplyCollectionCell(const QRectF& frame)
    : CollectionViewCell(frame)
    , m_strip(new QuickReplyStrip(contentView()))
{
}

QString QuickReplyCollectionCell::cellId() const
{
    return QString::fromLatin1(QuickReplyStrip::cellId);
}

const QList<ButtonModel>& QuickReplyCollectionCell::replies() const
{
    return m_strip->replies();
}

void QuickReplyCollectionCell::setReplies(const QList<ButtonModel>& replies)
{
    m_strip->setReplies(replies);
}

ui::CollectionView* QuickReplyCollectionCell::collectionView() const
{
    return m_strip->collectionView();
}

} // namespace kesvor
