#pragma once

#include "KTextView/KTextViewProtocol.h"
#include "ui/LayoutConstraint.h"
#include "ui/View.h"

namespace kesvor {

namespace ui {
class Button;
}

class KTextView;
class KUserInputViewProtocol;

/// The input bar: the growing text view, a "Send" button that is grey and
/// ignores taps while the text is empty, and a translucent dim view over
/// both that blocks them while the socket session is not connected. It
/// follows the keyboard, also while it is dragged away, through its
/// bottomConstraintOnSelf, and reports its own frame changes.
class KUserInputView : public ui::View, public KTextViewProtocol {
    Q_OBJECT
public:
    static constexpr auto sendTitle = "Send";

    explicit KUserInputView(const QRectF& frame = QRectF());

    /// The bar's bottom against the screen's; its owner makes it.
    ui::LayoutConstraint bottomConstraintOnSelf() const { return m_bottomConstraintOnSelf; }
    void setBottomConstraintOnSelf(const ui::LayoutConstraint& constraint)
    {
        m_bottomConstraintOnSelf = constraint;
    }

    ui::View* dimView() const { return m_dimView; }
    KTextView* inputTextView() const { return m_inputTextView; }
    ui::Button* sendButton() const { return m_sendButton; }

    KUserInputViewProtocol* delegate() const { return m_delegate; }
    void setDelegate(KUserInputViewProtocol* delegate) { m_delegate = delegate; }

    /// The text taken at the last send.
    QString getText() const { return m_currentText; }

    void setupViews();
    /// Empties the text view and brings its placeholder back.
    void clearText();
    void disableUserInteraction();
    void enableUserInteraction();

    /// Takes the text and tells the delegate (the Send button's action).
    void sendButtonClicked();

    void textChanged(bool isEmpty) override;
    void frameChanged(const QRectF& toFrame) override;
    void returnKeyPressed() override;

private:
    void followKeyboard(bool keyboardVisible, const QRectF& keyboardFrame);

    ui::LayoutConstraint m_bottomConstraintOnSelf;
    ui::View* m_dimView;
    QString m_currentText;
    KUserInputViewProtocol* m_delegate = nullptr;
    KTextView* m_inputTextView;
    ui::Button* m_sendButton;
};

} // namespace kesvor
