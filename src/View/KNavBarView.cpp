#include "View/KNavBarView.h"

#include "Kesvor/SdkImage.h"
#include "View/NetworkStatusView.h"
#include "ui/Accessibility.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

// Layout numbers of the bar (points).
constexpr double closeButtonSide = 44;
constexpr double closeButtonLeft = 10;
constexpr double closeButtonTop = 20;
constexpr double lineThickness = 0.5;
// The title row lies below the 20-point status bar: its centre is 10 below the bar's.
constexpr double titleCenterOffset = 10;
constexpr double titleFontSize = 17;
const QString closeButtonImageName = QStringLiteral("closeButtonImg");
const QString closeButtonAccessibleName = QStringLiteral("Close");

void centre(ui::View* bar, ui::View* view)
{
    using ui::LayoutAttribute;
    ui::LayoutConstraint::activate(
        {ui::LayoutConstraint(view, LayoutAttribute::CenterX, ui::LayoutRelation::Equal, bar,
                              LayoutAttribute::CenterX),
         ui::LayoutConstraint(view, LayoutAttribute::CenterY, ui::LayoutRelation::Equal, bar,
                              LayoutAttribute::CenterY, 1.0, titleCenterOffset)});
}

} // namespace

KNavBarView::KNavBarView(const QRectF& frame)
    : View(frame)
    , m_closeButton(new ui::Button)
    , m_lineView(new ui::View)
    , m_statusView(new NetworkStatusView)
    , m_titleLabel(new ui::Label)
{
    m_closeButton->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_closeButton->setImage(sdkImage(closeButtonImageName));
    ui::Accessibility::setLabel(m_closeButton, closeButtonAccessibleName);
    m_lineView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_lineView->setBackgroundColor(ui::Color::darkGray());
    m_statusView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_titleLabel->setText(QString::fromLatin1(titleText));
    m_titleLabel->setTextColor(ui::Color::black());
    m_titleLabel->setFont(ui::Font::systemFont(titleFontSize, ui::FontWeight::Medium));
    m_titleLabel->setTranslatesAutoresizingMaskIntoConstraints(false);
    ui::Accessibility::setRole(m_titleLabel, QAccessible::Heading);
    setupViews();
}

void KNavBarView::setupViews()
{
    addSubview(m_closeButton);
    addConstraints(QStringLiteral("H:|-%1-[v0(==%2)]").arg(closeButtonLeft).arg(closeButtonSide),
                   {m_closeButton});
    addConstraints(QStringLiteral("V:|-%1-[v0(==%2)]").arg(closeButtonTop).arg(closeButtonSide),
                   {m_closeButton});
    addSubview(m_lineView);
    addConstraints(QStringLiteral("H:|[v0]|"), {m_lineView});
    addConstraints(QStringLiteral("V:[v0(==%1)]|").arg(lineThickness), {m_lineView});
    addSubview(m_statusView);
    centre(this, m_statusView);
    addSubview(m_titleLabel);
    centre(this, m_titleLabel);
}

void KNavBarView::setStatusViewVisisbility(bool toHidden)
{
    m_statusView->setShown(!toHidden);
    m_titleLabel->setHidden(!toHidden);
}

} // namespace kesvor
