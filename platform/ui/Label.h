#pragma once

#include "ui/TextMeasure.h"
#include "ui/View.h"

namespace kesvor::ui {

/// Read-only text. Its intrinsic size is its text's measured size; labels
/// with more than one line want the width of their unwrapped text, wrap at
/// the width the layout gives them (or at preferredMaxLayoutWidth when set)
/// and take the height of the wrapped text.
/// Text is centred vertically in the label's bounds; lines that do not fit
/// are not drawn. Takes no touches unless told to.
class Label : public View {
    Q_OBJECT
public:
    explicit Label(const QRectF& frame = QRectF());

    QString text() const { return m_text; }
    void setText(const QString& text);
    QFont font() const { return m_style.font; }
    void setFont(const QFont& font);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);
    Qt::Alignment textAlignment() const { return m_style.alignment; }
    void setTextAlignment(Qt::Alignment alignment);
    /// 0: unlimited. The default is 1.
    int numberOfLines() const { return m_style.numberOfLines; }
    void setNumberOfLines(int lines);
    LineBreakMode lineBreakMode() const { return m_style.lineBreakMode; }
    void setLineBreakMode(LineBreakMode mode);
    /// Wrapping width for the intrinsic size; 0 lets the layout decide.
    double preferredMaxLayoutWidth() const { return m_preferredMaxLayoutWidth; }
    void setPreferredMaxLayoutWidth(double width);

    QSizeF intrinsicContentSize() const override;
    QSizeF sizeThatFits(const QSizeF& size) const override;

protected:
    void draw(QPainter& painter, const QRectF& bounds) override;
    bool hasWidthDependentIntrinsicSize() const override { return m_style.numberOfLines != 1; }

private:
    void textLayoutChanged();

    QString m_text;
    TextStyle m_style;
    QColor m_textColor;
    double m_preferredMaxLayoutWidth = 0;
};

} // namespace kesvor::ui
