#pragma once

#include "Cells/TimedCell.h"
#include "Store/Chat.h"

#include <optional>

namespace kesvor {

namespace ui {
class Button;
class Label;
class TextField;
class View;
} // namespace ui

/// The e-mail form of a message that asks for the customer's address: a
/// white block with the prompt, a text field and "Submit", above the time.
/// A valid address goes to the conversation ("SubmitEmailNotification")
/// and into the host's metadata; anything else asks the conversation to
/// warn ("WrongEmailFormatNotification"). Reuse identifier "email".
class KEmailTemplateCell : public TimedCell {
    Q_OBJECT
public:
    explicit KEmailTemplateCell(const QRectF& frame = QRectF());

    /// Whether text, without the white space around it, is one whole
    /// address: letters, digits and "._%+-" before the "@", a domain of
    /// letters, digits, "." and "-", and a top-level domain of two or more
    /// letters.
    static bool isValidEmailAddress(const QString& text);

    const std::optional<Chat>& model() const { return m_model; }
    /// Binds the form to a stored message; the field is emptied only when
    /// the message is another one, so reloading a row keeps what the
    /// customer is typing.
    void setModel(const std::optional<Chat>& model);

    void submitButtonClicked();

    ui::View* baseView() const { return m_baseView; }
    ui::Label* titleLabel() const { return m_titleLabel; }
    ui::TextField* emailTextField() const { return m_emailTextField; }
    ui::Button* submitButton() const { return m_submitButton; }

Q_SIGNALS:
    /// The customer changed the address typed for message.
    void draftEdited(const Chat& message, const QString& text);

private:
    void setupViews();

    std::optional<Chat> m_model;
    ui::View* m_baseView;
    ui::Label* m_titleLabel;
    ui::TextField* m_emailTextField;
    ui::Button* m_submitButton;
};

} // namespace kesvor
