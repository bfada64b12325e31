#pragma once

#include "ui/CollectionView.h"
#include "ui/CollectionViewDelegateFlowLayout.h"
#include "ui/Label.h"

#include <QtCore/QHash>
#include <QtCore/QList>

#include <functional>

namespace kesvor::test {

/// A cell whose label is placed by constraints, 8 in from the sides and 4
/// from top and bottom: reused at other sizes, it must be laid out again.
class LabelCell : public ui::CollectionViewCell {
public:
    explicit LabelCell(const QRectF& frame)
        : ui::CollectionViewCell(frame)
    {
        contentView()->addSubview(label);
        contentView()->addConstraints("H:|-8-[v0]-8-|", {label});
        contentView()->addConstraints("V:|-4-[v0]-4-|", {label});
    }

    ui::Label* label = new ui::Label;
};

/// A data source and flow-layout delegate over sections of item ids. Cells
/// carry their item's id as their tag and label; sizes follow the ids, so an item
/// keeps its size wherever it moves.
class ItemSource : public ui::CollectionViewDataSource,
                   public ui::CollectionViewDelegateFlowLayout {
public:
    static inline const QString cellIdentifier = QStringLiteral("item");
    static inline const QString headerIdentifier = QStringLiteral("header");

    QList<QList<int>> sections;
    /// Item sizes; by default list-wide, 20 + id % 7 × 13 high.
    std::function<QSizeF(ui::CollectionView&, int id)> sizeOf = [](ui::CollectionView& view,
                                                                   int id) {
        return QSizeF(view.bounds().width(), 20 + (id % 7) * 13);
    };
    std::optional<double> headerHeight;
    QHash<int, double> lineSpacing;
    QHash<int, ui::EdgeInsets> insets;
    std::function<void(const QPointF&, QPointF&)> onWillEndDragging;

    QList<ui::IndexPath> displayed;
    int cellRequests = 0;

    void attach(ui::CollectionView& view)
    {
        view.registerCell<LabelCell>(cellIdentifier);
        view.registerSupplementaryView<ui::CollectionReusableView>(
            ui::CollectionElementKindSectionHeader, headerIdentifier);
        view.setDataSource(this);
        view.setDelegate(this);
    }

    /// Ids 0 ... count − 1 in one section.
    static QList<int> ids(int from, int count)
    {
        QList<int> result;
        for (int id = from; id < from + count; ++id)
            result.append(id);
        return result;
    }

    int numberOfSections(ui::CollectionView&) override { return int(sections.size()); }
    int numberOfItemsInSection(ui::CollectionView&, int section) override
    {
        return int(sections.value(section).size());
    }
    ui::CollectionViewCell* cellForItemAt(ui::CollectionView& view,
                                          const ui::IndexPath& indexPath) override
    {
        ++cellRequests;
        auto* cell = view.dequeueReusableCell<LabelCell>(cellIdentifier, indexPath);
        cell->setTag(idAt(indexPath));
        cell->label->setText(QString::number(idAt(indexPath)));
        return cell;
    }
    ui::CollectionReusableView*
    viewForSupplementaryElementOfKind(ui::CollectionView& view, const QString& kind,
                                      const ui::IndexPath& indexPath) override
    {
        ui::CollectionReusableView* header =
            view.dequeueReusableSupplementaryView(kind, headerIdentifier, indexPath);
        header->setTag(indexPath.section);
        return header;
    }

    void willDisplay(ui::CollectionView&, ui::CollectionViewCell&,
                     const ui::IndexPath& indexPath) override
    {
        displayed.append(indexPath);
    }
    void scrollViewWillEndDragging(ui::ScrollView&, const QPointF& velocity,
                                   QPointF& target) override
    {
        if (onWillEndDragging)
            onWillEndDragging(velocity, target);
    }

    std::optional<QSizeF> sizeForItemAt(ui::CollectionView& view, ui::FlowLayout&,
                                        const ui::IndexPath& indexPath) override
    {
        return sizeOf(view, idAt(indexPath));
    }
    std::optional<double> minimumLineSpacingForSectionAt(ui::CollectionView&, ui::FlowLayout&,
                                                         int section) override
    {
        return lineSpacing.contains(section) ? std::optional(lineSpacing.value(section))
                                             : std::nullopt;
    }
    std::optional<ui::EdgeInsets> insetForSectionAt(ui::CollectionView&, ui::FlowLayout&,
                                                    int section) override
    {
        return insets.contains(section) ? std::optional(insets.value(section)) : std::nullopt;
    }
    std::optional<QSizeF> referenceSizeForHeaderInSection(ui::CollectionView& view, ui::FlowLayout&,
                                                          int) override
    {
        if (!headerHeight)
            return std::nullopt;
        return QSizeF(view.bounds().width(), *headerHeight);
    }

    int idAt(const ui::IndexPath& indexPath) const
    {
        return sections.value(indexPath.section).value(indexPath.item, -1);
    }
};

} // namespace kesvor::test
