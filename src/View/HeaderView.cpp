#include "View/HeaderView.h"

#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

// Layout numbers of the header (points).
constexpr double pillTop = 5;
constexpr double pillCornerRadius = 10;
constexpr double titlePadding = 10;
constexpr double titleFontSize = 13;

} // namespace

HeaderView::HeaderView(const QRectF& frame)
    : CollectionReusableView(frame)
    , m_backView(new ui::View)
    , m_headerLabel(new ui::Label)
{
    m_backView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_backView->setBackgroundColor(ui::Color::gray());
    m_backView->setClipsToBounds(true);
    m_backView->setCornerRadius(pillCornerRadius);
    m_headerLabel->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_headerLabel->setTextAlignment(Qt::AlignHCenter);
    m_headerLabel->setTextColor(ui::Color::white());
    m_headerLabel->setFont(ui::Font::systemFont(titleFontSize));
    m_headerLabel->setBackgroundColor(ui::Color::gray());
    setupViews();
}

void HeaderView::setupViews()
{
    addSubview(m_backView);
    addConstraint(ui::LayoutConstraint(m_backView, ui::LayoutAttribute::CenterX,
                                       ui::LayoutRelation::Equal, this,
                                       ui::LayoutAttribute::CenterX));
    addConstraints(QStringLiteral("V:|-%1-[v0]|").arg(pillTop), {m_backView});
    m_backView->addSubview(m_headerLabel);
    m_backView->addConstraints(QStringLiteral("H:|-%1-[v0]-%1-|").arg(titlePadding),
                               {m_headerLabel});
    m_backView->addConstraints(QStringLiteral("V:|-0-[v0]-0-|"), {m_headerLabel});
}

} // namespace kesvor
