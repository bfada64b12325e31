#pragma once

#include "Models/ButtonModel.h"
#include "ui/CollectionViewDataSource.h"
#include "ui/CollectionViewDelegateFlowLayout.h"

#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QPointer>

namespace kesvor {

namespace ui {
class CollectionView;
class View;
} // namespace ui

/// A horizontal strip of quick replies, one QuickTextCell each, left to
/// right: what QuickReplyView and QuickReplyCollectionCell both show. A reply
/// is as wide as its title plus 20 and 60 high; a strip narrower than its
/// container is centred, a wider one starts and ends 20 from the edges and
/// scrolls.
class QuickReplyStrip : public QObject,
                        public ui::CollectionViewDataSource,
                        public ui::CollectionViewDelegateFlowLayout {
    Q_OBJECT
public:
    static constexpr auto cellId = "cellId";
    static constexpr double itemHeight = 60;
    /// Between two replies; the centring rule counts it once per reply.
    static constexpr double itemSpacing = 5;

    /// Builds the strip's collection view inside container, filling it.
    explicit QuickReplyStrip(ui::View* container);

    ui::CollectionView* collectionView() const { return m_collectionView; }
    const QList<ButtonModel>& replies() const { return m_replies; }
    /// Replaces the replies and reloads the strip.
    void setReplies(const QList<ButtonModel>& replies);

    /// The width of a reply's item.
    double itemWidth(const ButtonModel& reply) const;

    int numberOfItemsInSection(ui::CollectionView&, int) override;
    ui::CollectionViewCell* cellForItemAt(ui::CollectionView& collectionView,
                                          const ui::IndexPath& indexPath) override;
    std::optional<QSizeF> sizeForItemAt(ui::CollectionView&, ui::FlowLayout&,
                                        const ui::IndexPath& indexPath) override;
    std::optional<ui::EdgeInsets> insetForSectionAt(ui::CollectionView&, ui::FlowLayout&,
                                                    int) override;

private:
    ui::View* m_container;
    ui::CollectionView* m_collectionView;
    QList<ButtonModel> m_replies;
};

} // namespace kesvor
