#pragma once

#include <QtCore/QRectF>

namespace kesvor {

/// What the input bar tells the conversation screen.
class KUserInputViewProtocol {
public:
    virtual ~KUserInputViewProtocol() = default;
    /// Send was tapped (or Return pressed); the text is in getText().
    virtual void sendButtonClicked() = 0;
    /// The bar's frame changed (it grew or shrank with its text).
    virtual void userInputViewFrameChanged(const QRectF& toFrame) = 0;
};

} // namespace kesvor
