#pragma once

#include "ui/CollectionViewDataSource.h"
#include "ui/CollectionViewDelegateFlowLayout.h"
#include "ui/ViewController.h"

#include <vector>

namespace kesvor::ui {
class CollectionView;
} // namespace kesvor::ui

namespace kesvor::gallery {

/// The collection views of the toolkit: a strip of cards that pages one card
/// per drag, above a conversation-like list of thousands of bubbles of
/// measured heights in day sections.
class ListsController : public ui::ViewController,
                        public ui::CollectionViewDataSource,
                        public ui::CollectionViewDelegateFlowLayout {
    Q_OBJECT
public:
    using ui::ViewController::ViewController;

    void viewDidLoad() override;
    /// Scrolls the list so that the item with this number (counted over all
    /// sections) is at the top.
    void scrollListTo(int item);

    int numberOfSections(ui::CollectionView& view) override;
    int numberOfItemsInSection(ui::CollectionView& view, int section) override;
    ui::CollectionViewCell* cellForItemAt(ui::CollectionView& view,
                                          const ui::IndexPath& indexPath) override;
    ui::CollectionReusableView*
    viewForSupplementaryElementOfKind(ui::CollectionView& view, const QString& kind,
                                      const ui::IndexPath& indexPath) override;
    std::optional<QSizeF> sizeForItemAt(ui::CollectionView& view, ui::FlowLayout& layout,
                                        const ui::IndexPath& indexPath) override;
    std::optional<QSizeF> referenceSizeForHeaderInSection(ui::CollectionView& view,
                                                          ui::FlowLayout& layout,
                                                          int section) override;
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
    void scrollViewWillEndDragging(ui::ScrollView& scrollView, const QPointF& velocity,
                                   QPointF& targetContentOffset) override;

private:
    ui::CollectionView* makeStrip();
    ui::CollectionView* makeList();
    QString messageText(int message) const;
    int messageNumber(const ui::IndexPath& indexPath) const;

    ui::CollectionView* m_strip = nullptr;
    ui::CollectionView* m_list = nullptr;
    std::vector<double> m_heights;
    double m_measuredWidth = -1;
    int m_card = 0;
    double m_dragStart = 0;
};

} // namespace kesvor::gallery
