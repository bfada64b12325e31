#include "View/QuickReplyView.h"

#include "View/QuickReplyStrip.h"
#include "View/SharedColors.h"

namespace kesvor {

QuickReplyView::QuickReplyView(const QRectF& frame)
    : View(frame)
    , m_strip(nullptr)
{
    setupViews();
}

void QuickReplyView::setupViews()
{
    setClipsToBounds(true);
    setBackgroundColor(LIST_BACKGROUND_COLOR);
    m_strip = new QuickReplyStrip(this);
}

QString QuickReplyView::cellId() const
{
    return QString::fromLatin1(QuickReplyStrip::cellId);
}

const QList<ButtonModel>& QuickReplyView::replies() const
{
    return m_strip->replies();
}

void QuickReplyView::setReplies(const QList<ButtonModel>& replies)
{
    m_strip->setReplies(replies);
}

ui::CollectionView* QuickReplyView::collectionView() const
{
    return m_strip->collectionView();
}

} // namespace kesvor
