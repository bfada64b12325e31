#include "ui/TextMeasure.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>
#include <QtGui/QTextLayout>

#include <cmath>
#include <limits>

namespace kesvor::ui {

namespace {

// Wide enough to never wrap, small enough to keep the layout arithmetic exact.
constexpr double unlimitedWidth = 1e7;
// A line counts as fitting when it overshoots the height by less than this.
constexpr double fitTolerance = 0.5;

struct LaidOutText {
    std::unique_ptr<QTextLayout> layout;
    QSizeF size;
    // Text was left over after the last line.
    bool truncated = false;
};

LaidOutText layOut(const QString& text, const TextStyle& style, double width, double maxHeight)
{
    LaidOutText result;
    QString prepared = text;
    prepared.replace(QLatin1Char('\n'), QChar::LineSeparator);
    result.layout = std::make_unique<QTextLayout>(prepared, style.font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(style.alignment);
    result.layout->setTextOption(option);

    const bool unlimited = !(width > 0) || !std::isfinite(width);
    const double lineWidth = unlimited ? unlimitedWidth : width;
    double y = 0;
    double widest = 0;
    int lines = 0;
    result.layout->beginLayout();
    for (;;) {
        QTextLine line = result.layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(lineWidth);
        const bool limitReached = style.numberOfLines > 0 && lines == style.numberOfLines;
        const bool tooTall = lines > 0 && y + line.height() > maxHeight + fitTolerance;
        if (limitReached || tooTall) {
            result.truncated = true;
            // A line that is not shown must not be drawn.
            line.setLineWidth(0);
            line.setPosition(QPointF(0, -1e7));
            break;
        }
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
        ++lines;
    }
    result.layout->endLayout();
    result.size = QSizeF(text.isEmpty() ? 0.0 : widest, text.isEmpty() ? 0.0 : y);
    return result;
}

} // namespace

QSizeF TextMeasure::boundingSize(const QString& text, const TextStyle& style, double maxWidth)
{
    if (text.isEmpty())
        return QSizeF(0, 0);
    return layOut(text, style, maxWidth, std::numeric_limits<double>::infinity()).size;
}

void TextMeasure::draw(QPainter& painter, const QString& text, const TextStyle& style,
                       const QRectF& rect, const QColor& color)
{
    if (text.isEmpty() || rect.width() <= 0)
        return;
    const LaidOutText laidOut = layOut(text, style, rect.width(), rect.height());
    const QTextLayout& layout = *laidOut.layout;
    const double top = rect.top() + (rect.height() - laidOut.size.height()) / 2;
    painter.save();
    painter.setPen(color);
    painter.setClipRect(rect);
    int shown = 0;
    for (int i = 0; i < layout.lineCount(); ++i)
        if (layout.lineAt(i).position().y() >= 0)
            shown = i + 1;
    for (int i = 0; i < shown; ++i) {
        const QTextLine line = layout.lineAt(i);
        const bool elide = laidOut.truncated && i == shown - 1 &&
                           style.lineBreakMode == LineBreakMode::TruncateTail;
        if (!elide) {
            line.draw(&painter, QPointF(rect.left(), top));
            continue;
        }
        const QFontMetricsF metrics(style.font);
        const QString rest =
            text.mid(line.textStart()).replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QString elided = metrics.elidedText(rest, Qt::ElideRight, rect.width());
        double x = rect.left();
        const double width = metrics.horizontalAdvance(elided);
        if (style.alignment & Qt::AlignHCenter)
            x += (rect.width() - width) / 2;
        else if (style.alignment & Qt::AlignRight)
            x += rect.width() - width;
        painter.setFont(style.font);
        painter.drawText(QPointF(x, top + line.y() + line.ascent()), elided);
    }
    painter.restore();
}

QSizeF sizeForText(const QString& text, double maxWidth, const QFont& font)
{
    return TextMeasure::boundingSize(text, TextStyle{font}, maxWidth);
}

} // namespace kesvor::ui
