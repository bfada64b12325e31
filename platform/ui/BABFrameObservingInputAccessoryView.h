#pragma once

#include "ui/View.h"

#include <QtCore/QPointer>

#include <functional>

namespace kesvor::ui {

/// An input accessory view that tells its owner where the keyboard is, on
/// every change, including while the keyboard is dragged away. Like an
/// accessory that rides on the keyboard, it hears only the keyboard of its
/// own input: while another widget has the focus (a web page, say), keyboard
/// changes are not its business. It draws nothing and takes no touches.
class BABFrameObservingInputAccessoryView : public View {
    Q_OBJECT
public:
    using KeyboardFrameChangedBlock =
        std::function<void(bool keyboardVisible, const QRectF& keyboardFrame)>;

    explicit BABFrameObservingInputAccessoryView(const QRectF& frame = QRectF());

    void setKeyboardFrameChangedBlock(KeyboardFrameChangedBlock block);
    /// The input this view is the accessory of; set by the input. Without
    /// one, every keyboard change is heard.
    void setInputView(QWidget* input) { m_input = input; }

private:
    bool isInputFocused() const;

    KeyboardFrameChangedBlock m_block;
    QPointer<QWidget> m_input;
};

} // namespace kesvor::ui
