#pragma once

#include "ui/View.h"

#include <QtCore/QPointer>

#include <memory>

class QLineEdit;

namespace kesvor::ui {

enum class KeyboardType { Default, EmailAddress };
enum class TextFieldViewMode { Never, Always };

/// A one-line text input. An optional left view (a padding view, an icon)
/// sits at the left edge, full height, and the text starts after it.
class TextField : public View {
    Q_OBJECT
public:
    explicit TextField(const QRectF& frame = QRectF());
    ~TextField() override;

    QString text() const;
    void setText(const QString& text);
    QString placeholder() const;
    void setPlaceholder(const QString& placeholder);
    QFont font() const;
    void setFont(const QFont& font);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);
    Qt::Alignment textAlignment() const;
    void setTextAlignment(Qt::Alignment alignment);
    /// A hint for on-screen keyboards; the e-mail one offers "@" and no
    /// automatic capitals.
    KeyboardType keyboardType() const { return m_keyboardType; }
    void setKeyboardType(KeyboardType type);

    /// The field takes ownership and keeps the view's width.
    View* leftView() const { return m_leftView; }
    void setLeftView(View* view);
    TextFieldViewMode leftViewMode() const { return m_leftViewMode; }
    void setLeftViewMode(TextFieldViewMode mode);

    void becomeFirstResponder();
    void resignFirstResponder();
    bool isFirstResponder() const;

    /// The editor underneath, for input and tests.
    QLineEdit* lineEdit() const { return m_edit; }

    QSizeF intrinsicContentSize() const override;

Q_SIGNALS:
    /// The user changed the text.
    void textEdited(const QString& text);
    void returnPressed();

protected:
    void layoutSubviews() override;

private:
    QLineEdit* m_edit;
    QPointer<View> m_leftView;
    TextFieldViewMode m_leftViewMode = TextFieldViewMode::Never;
    KeyboardType m_keyboardType = KeyboardType::Default;
    QColor m_textColor;
};

} // namespace kesvor::ui
