#pragma once

#include "ui/Geometry.h"
#include "ui/View.h"

#include <memory>

class QTextEdit;

namespace kesvor::ui {

/// Multi-line text input. Its content size (the laid-out text plus the text
/// container insets, at the view's width) is published whenever it changes,
/// so an owner can grow the view with its text. Subclasses react to typing
/// in textViewDidChange(); programmatic setText() does not call it.
class TextView : public View {
    Q_OBJECT
public:
    explicit TextView(const QRectF& frame = QRectF());
    ~TextView() override;

    QString text() const;
    void setText(const QString& text);
    QFont font() const;
    void setFont(const QFont& font);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);
    bool isEditable() const;
    void setEditable(bool editable);
    /// Space between the view's edges and the text (8 above and below, 5 at
    /// the sides by default).
    EdgeInsets textContainerInset() const { return m_inset; }
    void setTextContainerInset(const EdgeInsets& inset);

    QSizeF contentSize() const { return m_contentSize; }

    /// Shown with the keyboard where the platform has one; the text view
    /// owns it.
    View* inputAccessoryView() const { return m_inputAccessoryView.get(); }
    void setInputAccessoryView(std::unique_ptr<View> view);

    /// On: Return and Enter emit returnPressed() and insert nothing, as a
    /// chat input sends with them; with Shift they start a new line.
    bool returnKeySubmits() const { return m_returnKeySubmits; }
    void setReturnKeySubmits(bool submits) { m_returnKeySubmits = submits; }

    void becomeFirstResponder();
    void resignFirstResponder();
    bool isFirstResponder() const;

    /// The editor underneath, for input and tests.
    QTextEdit* textEdit() const { return m_edit; }

Q_SIGNALS:
    void contentSizeChanged(const QSizeF& contentSize);
    /// The user changed the text.
    void textDidChange();
    /// Return or Enter without Shift while returnKeySubmits() is on.
    void returnPressed();

protected:
    /// The user changed the text.
    virtual void textViewDidChange();
    void layoutSubviews() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateContentSize();

    QTextEdit* m_edit;
    QColor m_textColor;
    EdgeInsets m_inset{8, 5, 8, 5};
    QSizeF m_contentSize;
    bool m_settingText = false;
    bool m_returnKeySubmits = false;
    std::unique_ptr<View> m_inputAccessoryView;
};

} // namespace kesvor::ui
