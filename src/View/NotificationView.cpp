#include "View/NotificationView.h"

#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

// The banner's numbers, in points.
constexpr double backGrey = 35.0 / 255.0;
constexpr double backCornerRadius = 4;
constexpr auto backHorizontal = "H:|-10-[v0]-10-|";
constexpr auto backVertical = "V:|-24-[v0]-10-|";
constexpr auto labelHorizontal = "H:|-10-[v0]-10-|";
constexpr auto labelVertical = "V:|-10-[v0]-10-|";

} // namespace

NotificationView::NotificationView(const QRectF& frame)
    : ui::View(frame)
    , m_backView(new ui::View)
    , m_textLabel(new ui::Label)
    , m_hiddenButton(new ui::Button)
{
    m_backView->setBackgroundColor(ui::Color::white(backGrey));
    m_backView->setClipsToBounds(true);
    m_backView->setCornerRadius(backCornerRadius);
    addSubview(m_backView);
    addConstraints(QString::fromLatin1(backHorizontal), {m_backView});
    addConstraints(QString::fromLatin1(backVertical), {m_backView});

    m_textLabel->setTextColor(ui::Color::white());
    m_backView->addSubview(m_textLabel);
    m_backView->addConstraints(QString::fromLatin1(labelHorizontal), {m_textLabel});
    m_backView->addConstraints(QString::fromLatin1(labelVertical), {m_textLabel});

    // Last, so that it lies over the label and takes every tap on the box.
    m_hiddenButton->setTitle(QString());
    m_hiddenButton->setBackgroundColor(ui::Color::clear());
    m_backView->addSubview(m_hiddenButton);
    m_backView->addConstraints(QStringLiteral("H:|[v0]|"), {m_hiddenButton});
    m_backView->addConstraints(QStringLiteral("V:|[v0]|"), {m_hiddenButton});
    m_hiddenButton->addTarget(ui::ControlEvent::TouchUpInside,
                              [this](ui::Control* button) { hiddenButtonClicked(button); });
}

void NotificationView::setText(const std::optional<QString>& text)
{
    m_text = text;
    m_textLabel->setText(text.value_or(QString()));
}

void NotificationView::hiddenButtonClicked(ui::Control*)
{
    if (m_tapHandler)
        m_tapHandler();
}

} // namespace kesvor
