#include "ui/BABFrameObservingInputAccessoryView.h"

#include "ui/Keyboard.h"

namespace kesvor::ui {

BABFrameObservingInputAccessoryView::BABFrameObservingInputAccessoryView(const QRectF& frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
    connect(&Keyboard::shared(), &Keyboard::frameChanged, this,
            [this](bool visible, const QRectF& keyboardFrame) {
                if (m_block && isInputFocused())
                    m_block(visible, keyboardFrame);
            });
}

void BABFrameObservingInputAccessoryView::setKeyboardFrameChangedBlock(
    KeyboardFrameChangedBlock block)
{
    m_block = std::move(block);
}

} // namespace kesvor::ui

namespace kesvor::ui {

bool BABFrameObservingInputAccessoryView::isInputFocused() const
{
    if (!m_input)
        return true;
    // The window's focus widget, whether or not the window is active.
    const QWidget* focus = m_input->window()->focusWidget();
    return focus && (focus == m_input || m_input->isAncestorOf(focus));
}

} // namespace kesvor::ui
