#include "View/KTemplateBlockView.h"

#include "Models/ButtonAction.h"
#include "Models/KButtonTempateModel.h"
#include "View/SharedColors.h"
#include "foundation/DebugLog.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

// Layout numbers of the block (points).
constexpr double blockCornerRadius = 4;
constexpr double titleFontSize = 16;

} // namespace

KTemplateBlockView::KTemplateBlockView(int buttonCount)
    : m_labelContainerView(new ui::View)
    , m_titleLabel(new ui::Label)
{
    setBackgroundColor(LIST_BACKGROUND_COLOR);
    setCornerRadius(blockCornerRadius);
    setClipsToBounds(true);
    m_labelContainerView->setBackgroundColor(ui::Color::white());
    m_titleLabel->setFont(ui::Font::systemFont(titleFontSize, ui::FontWeight::Bold));
    m_titleLabel->setNumberOfLines(0);
    addSubview(m_labelContainerView);
    m_labelContainerView->addSubview(m_titleLabel);
    for (int tag = 0; tag < buttonCount; ++tag) {
        auto* button = new ui::Button;
        button->setBackgroundColor(ui::Color::white());
        button->setHidden(true);
        button->setTitleColor(BUTTON_TEXT_COLOR);
        button->setTag(tag);
        button->addTarget(ui::ControlEvent::TouchUpInside,
                          [this, button](ui::Control*) { buttonClicked(button); });
        addSubview(button);
        m_buttons.append(button);
    }
    addConstraints(QStringLiteral("H:|-0-[v0]-0-|"), {m_labelContainerView});
    addConstraints(QStringLiteral("V:|-0-[v0]"), {m_labelContainerView});
    addConstraints(QStringLiteral("H:|-12-[v0]-12-|"), {m_titleLabel});
    addConstraints(QStringLiteral("V:|-11-[v0(<=50)]-12-|"), {m_titleLabel});
    for (ui::Button* button : m_buttons)
        addConstraints(QStringLiteral("H:|-0-[v0]-0-|"), {button});
}

void KTemplateBlockView::setButtonTemplateModel(std::shared_ptr<KButtonTempateModel> model)
{
    if (!model)
        return;
    m_model = std::move(model);
    activateButtonsConstraints(int(m_model->buttons.size()));
    m_titleLabel->setText(m_model->text);
    setNeedsLayout();
    // A block on its own (being measured) is laid out at once; one inside a
    // list's cell waits for the list's pass, which may be running now.
    if (!superview())
        layoutIfNeeded();
}

bool KTemplateBlockView::showButtons(int count)
{
    for (ui::Button* button : m_buttons) {
        button->setHidden(true);
        button->setTitle(QString());
    }
    if (!m_model || count < 1 || count > m_buttons.size() || count > m_model->buttons.size()) {
        KESVOR_DEBUG_LOG << "Not valid button count " + QString::number(count);
        return false;
    }
    for (int index = 0; index < count; ++index) {
        m_buttons[index]->setHidden(false);
        m_buttons[index]->setTitle(m_model->buttons[index].title());
    }
    return true;
}

void KTemplateBlockView::buttonClicked(ui::Button* button)
{
    const int tag = button->tag();
    if (m_model && tag >= 0 && tag < m_model->buttons.size())
        ButtonAction::perform(m_model->buttons[tag]);
}

} // namespace kesvor
