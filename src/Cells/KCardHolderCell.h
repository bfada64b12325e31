#pragma once

#include "Cells/TimedCell.h"
#include "ui/CollectionViewDataSource.h"
#include "ui/CollectionViewDelegateFlowLayout.h"

#include <QtCore/QList>

#include <memory>

namespace kesvor {

namespace ui {
class CollectionView;
}

class KCardModel;

/// A card message in the list: a horizontal carousel of its cards, 24 from
/// either edge and 4 apart, above the 24-point time row. A drag always comes
/// to rest with a card at the left inset: one card (254 points) per drag
/// that is flung or moves at least 60 points, never before the first card
/// or past the last. Reuse identifier "card".
class KCardHolderCell : public TimedCell,
                        public ui::CollectionViewDataSource,
                        public ui::CollectionViewDelegateFlowLayout {
    Q_OBJECT
public:
    static constexpr auto cellId = "cardCell";
    /// A card and the gap after it.
    static constexpr double pageWidth = 254;
    /// A slower drag must move this far to turn the page.
    static constexpr double pagingDistance = 60;

    explicit KCardHolderCell(const QRectF& frame = QRectF());

    const QList<std::shared_ptr<KCardModel>>& cards() const { return m_cards; }
    /// Shows cards from the first one.
    void setCards(const QList<std::shared_ptr<KCardModel>>& cards);
    /// The height of every card.
    double height() const { return m_height; }
    void setHeight(double height);
    double currentOffsetX() const { return m_currentOffsetX; }
    ui::CollectionView* cardCollectionView() const { return m_cardCollectionView; }

    int numberOfItemsInSection(ui::CollectionView&, int) override;
    ui::CollectionViewCell* cellForItemAt(ui::CollectionView& collectionView,
                                          const ui::IndexPath& indexPath) override;
    std::optional<QSizeF> sizeForItemAt(ui::CollectionView&, ui::FlowLayout&,
                                        const ui::IndexPath&) override;
    std::optional<ui::EdgeInsets> insetForSectionAt(ui::CollectionView&, ui::FlowLayout&,
                                                    int) override;
    std::optional<double> minimumLineSpacingForSectionAt(ui::CollectionView&, ui::FlowLayout&,
                                                         int) override;
    std::optional<double> minimumInteritemSpacingForSectionAt(ui::CollectionView&, ui::FlowLayout&,
                                                              int) override;
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
    void scrollViewWillEndDragging(ui::ScrollView& scrollView, const QPointF& velocity,
                                   QPointF& targetContentOffset) override;

private:
    QList<std::shared_ptr<KCardModel>> m_cards;
    ui::CollectionView* m_cardCollectionView;
    double m_height = 0;
    double m_currentOffsetX = 0;
    double m_startdragOffsetX = 0;
};

} // namespace kesvor
