#include "View/QuickReplyStrip.h"

#include "Cells/QuickTextCell.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/Color.h"
#include "ui/TextMeasure.h"

namespace kesvor {

namespace {

// Layout numbers of the strip (points).
constexpr double titlePadding = 20;
constexpr double wideStripMargin = 20;

} // namespace

QuickReplyStrip::QuickReplyStrip(ui::View* container)
    : QObject(container)
    , m_container(container)
{
    auto layout = std::make_unique<ui::FlowLayout>();
    layout->setScrollDirection(ui::ScrollDirection::Horizontal);
    layout->setMinimumLineSpacing(itemSpacing);
    layout->setMinimumInteritemSpacing(itemSpacing);
    m_collectionView = new ui::CollectionView(QRectF(), std::move(layout));
    m_collectionView->setBackgroundColor(ui::Color::clear());
    m_collectionView->setShowsHorizontalScrollIndicator(false);
    m_collectionView->registerCell<QuickTextCell>(QString::fromLatin1(cellId));
    container->addSubview(m_collectionView);
    container->addConstraints(QStringLiteral("H:|[v0]|"), {m_collectionView});
    container->addConstraints(QStringLiteral("V:|[v0]|"), {m_collectionView});
    m_collectionView->setDataSource(this);
    m_collectionView->setDelegate(this);
    // The centring depends on the container's width.
    connect(container, &ui::View::boundsChanged, this, [this] {
        m_collectionView->collectionViewLayout().invalidateLayout();
        m_collectionView->setNeedsLayout();
    });
}

void QuickReplyStrip::setReplies(const QList<ButtonModel>& replies)
{
    m_replies = replies;
    m_collectionView->reloadData();
}

double QuickReplyStrip::itemWidth(const ButtonModel& reply) const
{
    return ui::sizeForText(reply.title(), m_container->bounds().width(), QuickTextCell::titleFont())
               .width() +
           titlePadding;
}

int QuickReplyStrip::numberOfItemsInSection(ui::CollectionView&, int)
{
    return int(m_replies.size());
}

ui::CollectionViewCell* QuickReplyStrip::cellForItemAt(ui::CollectionView& collectionView,
                                                       const ui::IndexPath& indexPath)
{
    auto* cell =
        collectionView.dequeueReusableCell<QuickTextCell>(QString::fromLatin1(cellId), indexPath);
    if (!cell || indexPath.item >= m_replies.size())
        return cell;
    const ButtonModel& reply = m_replies[indexPath.item];
    cell->quickButton()->setTitle(reply.title());
    cell->setValue(reply.value().value_or(QString()));
    return cell;
}

std::optional<QSizeF> QuickReplyStrip::sizeForItemAt(ui::CollectionView&, ui::FlowLayout&,
                                                     const ui::IndexPath& indexPath)
{
    if (indexPath.item >= m_replies.size())
        return QSizeF(0, itemHeight);
    return QSizeF(itemWidth(m_replies[indexPath.item]), itemHeight);
}

std::optional<ui::EdgeInsets> QuickReplyStrip::insetForSectionAt(ui::CollectionView&,
                                                                 ui::FlowLayout&, int)
{
    double total = 0;
    for (const ButtonModel& reply : std::as_const(m_replies))
        total += itemWidth(reply) + itemSpacing;
    const double width = m_container->frame().width();
    if (width > total)
        return ui::EdgeInsets{0, (width - total) * 0.5, 0, 0};
    return ui::EdgeInsets{0, wideStripMargin, 0, wideStripMargin};
}

} // namespace kesvor
