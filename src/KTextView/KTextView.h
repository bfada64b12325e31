#pragma once

#include "ui/LayoutConstraint.h"
#include "ui/TextView.h"

namespace kesvor {

namespace ui {
class Label;
}

class KTextViewProtocol;

/// The input bar's growing text view: a placeholder that shrinks away while
/// there is text, a height that follows the text between 37 points and a
/// maximum (six lines unless the owner allows less), scrolling inside beyond
/// it. Return sends through the delegate; Shift+Return starts a new line.
class KTextView : public ui::TextView {
    Q_OBJECT
public:
    static constexpr auto defaultPlaceHolderText = "Type something...";
    /// Lines the view grows to before it scrolls inside.
    static constexpr int maximumLines = 6;

    KTextView();
    ~KTextView() override;

    QColor placeHolderLabelColor() const { return m_placeHolderLabelColor; }
    void setPlaceHolderLabelColor(const QColor& color);
    QString placeHolderText() const { return m_placeHolderText; }
    void setPlaceHolderText(const QString& text);
    double minimumHeightForTextView() const { return 37; }
    /// The tallest the view grows: six lines, or less when the owner says so
    /// (never below the minimum).
    double maximumHeightForTextView() const;
    void setMaximumHeightForTextView(double height);

    ui::Label* placeHolderLabel() const { return m_placeHolderLabel; }
    ui::LayoutConstraint heightConstraint() const { return m_heightConstraint; }

    KTextViewProtocol* kTextViewDelegate() const { return m_kTextViewDelegate; }
    void setKTextViewDelegate(KTextViewProtocol* delegate) { m_kTextViewDelegate = delegate; }

    /// Shrinks the placeholder away when there is text and grows it back when
    /// there is none, and tells the delegate.
    void showHidePlaceHolderLabel();

protected:
    void textViewDidChange() override;

private:
    void setupViews();
    void contentSizeDidChange(const QSizeF& contentSize);
    double sixLinesHeight() const;

    QColor m_placeHolderLabelColor;
    QString m_placeHolderText;
    ui::Label* m_placeHolderLabel;
    ui::LayoutConstraint m_heightConstraint;
    KTextViewProtocol* m_kTextViewDelegate = nullptr;
    double m_maximumHeight = 0;
};

} // namespace kesvor
