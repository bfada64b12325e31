#include "ui/Label.h"

#include "ui/Color.h"
#include "ui/Font.h"

namespace kesvor::ui {

Label::Label(const QRectF& frame)
    : View(frame)
    , m_style{Font::defaultLabelFont(), 1, LineBreakMode::TruncateTail, Qt::AlignLeft}
    , m_textColor(Color::black())
{
    setUserInteractionEnabled(false);
    setContentHuggingPriority(251, LayoutAxis::Horizontal);
    setContentHuggingPriority(251, LayoutAxis::Vertical);
}

void Label::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    textLayoutChanged();
}

void Label::setFont(const QFont& font)
{
    m_style.font = font;
    textLayoutChanged();
}

void Label::setTextColor(const QColor& color)
{
    m_textColor = color;
    update();
}

void Label::setTextAlignment(Qt::Alignment alignment)
{
    m_style.alignment = alignment;
    update();
}

void Label::setNumberOfLines(int lines)
{
    m_style.numberOfLines = std::max(0, lines);
    textLayoutChanged();
}

void Label::setLineBreakMode(LineBreakMode mode)
{
    m_style.lineBreakMode = mode;
    update();
}

void Label::setPreferredMaxLayoutWidth(double width)
{
    m_preferredMaxLayoutWidth = std::max(0.0, width);
    textLayoutChanged();
}

void Label::textLayoutChanged()
{
    invalidateIntrinsicContentSize();
    update();
}

QSizeF Label::intrinsicContentSize() const
{
    if (m_preferredMaxLayoutWidth > 0)
        return TextMeasure::boundingSize(m_text, m_style, m_preferredMaxLayoutWidth);
    const QSizeF natural = TextMeasure::boundingSize(m_text, m_style, 0);
    if (m_style.numberOfLines == 1 || !intrinsicLayoutWidth() || *intrinsicLayoutWidth() <= 0)
        return natural;
    // Wrapping: as wide as the text would like to be (the layout may give
    // less), as tall as the text is at the width the layout gave.
    const QSizeF wrapped = TextMeasure::boundingSize(m_text, m_style, *intrinsicLayoutWidth());
    return QSizeF(natural.width(), wrapped.height());
}

QSizeF Label::sizeThatFits(const QSizeF& size) const
{
    const double width = m_style.numberOfLines == 1 ? 0.0 : size.width();
    return TextMeasure::boundingSize(m_text, m_style, width);
}

void Label::draw(QPainter& painter, const QRectF& bounds)
{
    TextMeasure::draw(painter, m_text, m_style, bounds, m_textColor);
}

} // namespace kesvor::ui
