#include "KCard/KCardCell.h"

#include "KCard/KCard.h"

namespace kesvor {

KCardCell::KCardCell(const QRectF& frame)
    : CollectionViewCell(frame)
    , m_cardView(new KCard)
{
    contentView()->addSubview(m_cardView);
    contentView()->addConstraints(QStringLiteral("H:|[v0]|"), {m_cardView});
    contentView()->addConstraints(QStringLiteral("V:|[v0]|"), {m_cardView});
}

void KCardCell::setCardModel(std::shared_ptr<KCardModel> model)
{
    m_cardModel = model;
    m_cardView->setCardModel1(std::move(model));
}

} // namespace kesvor
