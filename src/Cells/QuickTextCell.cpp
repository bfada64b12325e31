#include "Cells/QuickTextCell.h"

#include "View/ConversationNotifications.h"
#include "View/SharedColors.h"
#include "foundation/NotificationCenter.h"
#include "ui/Button.h"
#include "ui/Font.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

// Layout numbers of the pill (points).
constexpr double pillCornerRadius = 16;
constexpr double pillBorderWidth = 1;
constexpr double pillTopBottomInset = 14;

} // namespace

QuickTextCell::QuickTextCell(const QRectF& frame)
    : CollectionViewCell(frame)
    , m_quickButton(new ui::Button)
{
    setupViews();
}

QFont QuickTextCell::titleFont()
{
    return ui::Font::defaultButtonFont();
}

void QuickTextCell::setupViews()
{
    contentView()->setBackgroundColor(ui::Color::clear());
    m_quickButton->setBackgroundColor(ui::Color::clear());
    m_quickButton->setClipsToBounds(true);
    m_quickButton->setCornerRadius(pillCornerRadius);
    m_quickButton->setBorderWidth(pillBorderWidth);
    m_quickButton->setBorderColor(BUTTON_TEXT_COLOR);
    m_quickButton->setTitleColor(BUTTON_TEXT_COLOR);
    m_quickButton->setTitleColor(ui::Color::darkGray(), ui::ControlState::Highlighted);
    m_quickButton->titleLabel()->setFont(titleFont());
    contentView()->addSubview(m_quickButton);
    contentView()->addConstraints(QStringLiteral("H:|[v0]|"), {m_quickButton});
    contentView()->addConstraints(QStringLiteral("V:|-%1-[v0]-%1-|").arg(pillTopBottomInset),
                                  {m_quickButton});
    m_quickButton->addTarget(ui::ControlEvent::TouchUpInside,
                             [this](ui::Control*) { buttonClicked(); });
}

void QuickTextCell::buttonClicked()
{
    foundation::NotificationCenter::defaultCenter().post(
        QString::fromLatin1(SendMessageNotification),
        {{QStringLiteral("text"), m_quickButton->title()},
         {QStringLiteral("messageKeyword"), m_value}});
}

} // namespace kesvor
