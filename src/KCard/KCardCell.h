#pragma once

#include "ui/CollectionViewCell.h"

#include <memory>

namespace kesvor {

class KCard;
class KCardModel;

/// One card of a carousel, filling the cell.
class KCardCell : public ui::CollectionViewCell {
    Q_OBJECT
public:
    explicit KCardCell(const QRectF& frame = QRectF());

    std::shared_ptr<KCardModel> cardModel() const { return m_cardModel; }
    /// Binds the card for display.
    void setCardModel(std::shared_ptr<KCardModel> model);
    KCard* cardView() const { return m_cardView; }

private:
    std::shared_ptr<KCardModel> m_cardModel;
    KCard* m_cardView;
};

} // namespace kesvor
