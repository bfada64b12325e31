#include "Cells/KCardHolderCell.h"

#include "KCard/KCard.h"
#include "KCard/KCardCell.h"
#include "ui/CollectionView.h"
#include "ui/Color.h"
#include "ui/FlowLayout.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

// Layout numbers of the carousel (points).
constexpr ui::EdgeInsets carouselInset{0, 24, 0, 24};
constexpr double cardGap = 4;
constexpr double interItemSpacing = 1;

} // namespace

KCardHolderCell::KCardHolderCell(const QRectF& frame)
    : TimedCell(frame)
{
    auto layout = std::make_unique<ui::FlowLayout>();
    layout->setScrollDirection(ui::ScrollDirection::Horizontal);
    m_cardCollectionView = new ui::CollectionView(QRectF(), std::move(layout));
    m_cardCollectionView->setContentInset({});
    m_cardCollectionView->setShowsHorizontalScrollIndicator(false);
    m_cardCollectionView->setBackgroundColor(ui::Color::clear());
    m_cardCollectionView->registerCell<KCardCell>(QString::fromLatin1(cellId));
    m_cardCollectionView->setDelegate(this);
    m_cardCollectionView->setDataSource(this);
    contentView()->addSubview(m_cardCollectionView);
    contentView()->addSubview(timeLabel());
    contentView()->addConstraints(QStringLiteral("H:|-0-[v0]-0-|"), {m_cardCollectionView});
    contentView()->addConstraints(QStringLiteral("H:|-30-[v0]"), {timeLabel()});
    contentView()->addConstraints(QStringLiteral("V:|-0-[v0]-0-[v1(==24)]|"),
                                  {m_cardCollectionView, timeLabel()});
}

void KCardHolderCell::setCards(const QList<std::shared_ptr<KCardModel>>& cards)
{
    m_cards = cards;
    m_cardCollectionView->collectionViewLayout().invalidateLayout();
    m_cardCollectionView->setContentOffset(QPointF(0, 0));
    m_currentOffsetX = 0;
    m_cardCollectionView->reloadData();
}

void KCardHolderCell::setHeight(double height)
{
    if (m_height == height)
        return;
    m_height = height;
    m_cardCollectionView->collectionViewLayout().invalidateLayout();
    m_cardCollectionView->setNeedsLayout();
}

int KCardHolderCell::numberOfItemsInSection(ui::CollectionView&, int)
{
    return int(m_cards.size());
}

ui::CollectionViewCell* KCardHolderCell::cellForItemAt(ui::CollectionView& collectionView,
                                                       const ui::IndexPath& indexPath)
{
    auto* cell =
        collectionView.dequeueReusableCell<KCardCell>(QString::fromLatin1(cellId), indexPath);
    if (cell && indexPath.item < m_cards.size())
        cell->setCardModel(m_cards[indexPath.item]);
    return cell;
}

std::optional<QSizeF> KCardHolderCell::sizeForItemAt(ui::CollectionView&, ui::FlowLayout&,
                                                     const ui::IndexPath&)
{
    return QSizeF(KCard::cardWidth, m_height);
}

std::optional<ui::EdgeInsets> KCardHolderCell::insetForSectionAt(ui::CollectionView&,
                                                                 ui::FlowLayout&, int)
{
    return carouselInset;
}

std::optional<double> KCardHolderCell::minimumLineSpacingForSectionAt(ui::CollectionView&,
                                                                      ui::FlowLayout&, int)
{
    return cardGap;
}

std::optional<double> KCardHolderCell::minimumInteritemSpacingForSectionAt(ui::CollectionView&,
                                                                           ui::FlowLayout&, int)
{
    return interItemSpacing;
}

void KCardHolderCell::scrollViewWillBeginDragging(ui::ScrollView& scrollView)
{
    m_startdragOffsetX = scrollView.contentOffset().x();
}

// One page per drag: forward on a fling forward or a slow drag of at least
// 60 points, back likewise, otherwise back to the card it started from.
void KCardHolderCell::scrollViewWillEndDragging(ui::ScrollView& scrollView, const QPointF& velocity,
                                                QPointF& targetContentOffset)
{
    const double moved = scrollView.contentOffset().x() - m_startdragOffsetX;
    const bool forward = velocity.x() > 0 || (velocity.x() == 0 && moved >= pagingDistance);
    const bool back = velocity.x() < 0 || (velocity.x() == 0 && moved <= -pagingDistance);
    const double contentWidth = scrollView.contentSize().width();
    if (forward && m_currentOffsetX + pageWidth < contentWidth - KCard::cardWidth)
        m_currentOffsetX += pageWidth;
    else if (back && m_currentOffsetX - pageWidth >= 0)
        m_currentOffsetX -= pageWidth;
    targetContentOffset.setX(m_currentOffsetX);
}

} // namespace kesvor
