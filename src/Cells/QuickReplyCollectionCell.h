#pragma once

#include "Models/ButtonModel.h"
#include "ui/CollectionViewCell.h"

namespace kesvor {

namespace ui {
class CollectionView;
}

class QuickReplyStrip;

/// Quick replies as an item of the message list (reuse identifier
/// "quickReply"): the same strip as QuickReplyView, without a background of
/// its own. The list registers it; replies reach the customer through the
/// strip above the input bar.
class QuickReplyCollectionCell : public ui::CollectionViewCell {
    Q_OBJECT
public:
    explicit QuickReplyCollectionCell(const QRectF& frame = QRectF());

    QString cellId() const;
    const QList<ButtonModel>& replies() const;
    void setReplies(const QList<ButtonModel>& replies);
    ui::CollectionView* collectionView() const;

private:
    QuickReplyStrip* m_strip;
};

} // namespace kesvor
