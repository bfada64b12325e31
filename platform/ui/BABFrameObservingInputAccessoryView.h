#pragma once

#include "ui/View.h"

#include <functional>

namespace kesvor::ui {

/// An input accessory view that tells its owner where the keyboard is, on
/// every change, including while the keyboard is dragged away. It draws
/// nothing and takes no touches.
class BABFrameObservingInputAccessoryView : public View {
    Q_OBJECT
public:
    using KeyboardFrameChangedBlock =
        std::function<void(bool keyboardVisible, const QRectF& keyboardFrame)>;

    explicit BABFrameObservingInputAccessoryView(const QRectF& frame = QRectF());

    void setKeyboardFrameChangedBlock(KeyboardFrameChangedBlock block);

private:
    KeyboardFrameChangedBlock m_block;
};

} // namespace kesvor::ui
