#include "ui/BABFrameObservingInputAccessoryView.h"

#include "ui/Keyboard.h"

namespace kesvor::ui {

BABFrameObservingInputAccessoryView::BABFrameObservingInputAccessoryView(const QRectF& frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
    connect(&Keyboard::shared(), &Keyboard::frameChanged, this,
            [this](bool visible, const QRectF& keyboardFrame) {
                if (m_block)
                    m_block(visible, keyboardFrame);
            });
}

void BABFrameObservingInputAccessoryView::setKeyboardFrameChangedBlock(
    KeyboardFrameChangedBlock block)
{
    m_block = std::move(block);
}

} // namespace kesvor::ui
