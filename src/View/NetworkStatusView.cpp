#include "View/NetworkStatusView.h"

#include "ui/Accessibility.h"
#include "ui/ActivityIndicatorView.h"
#include "ui/Color.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

constexpr double indicatorToLabel = 10;

} // namespace

NetworkStatusView::NetworkStatusView(const QRectF& frame)
    : View(frame)
    , m_indicator(new ui::ActivityIndicatorView(ui::ActivityIndicatorStyle::Gray))
    , m_titleLabel(new ui::Label)
{
    m_indicator->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_titleLabel->setText(QString::fromLatin1(connectingText));
    m_titleLabel->setTextColor(ui::Color::gray());
    m_titleLabel->setTranslatesAutoresizingMaskIntoConstraints(false);
    // A busy indicator with its text, to assistive technology.
    ui::Accessibility::setRole(this, QAccessible::ProgressBar);
    ui::Accessibility::setLabel(this, QString::fromLatin1(connectingText));
    setupViews();
}

void NetworkStatusView::setupViews()
{
    addSubview(m_indicator);
    addSubview(m_titleLabel);
    addConstraints(QStringLiteral("H:|[v0]-%1-[v1]|").arg(indicatorToLabel),
                   {m_indicator, m_titleLabel});
    addConstraints(QStringLiteral("V:|[v0]|"), {m_titleLabel});
    addConstraint(ui::LayoutConstraint(m_indicator, ui::LayoutAttribute::CenterY,
                                       ui::LayoutRelation::Equal, this,
                                       ui::LayoutAttribute::CenterY));
    m_indicator->startAnimating();
}

void NetworkStatusView::setShown(bool shown)
{
    setHidden(!shown);
    if (shown)
        m_indicator->startAnimating();
    else
        m_indicator->stopAnimating();
}

} // namespace kesvor
