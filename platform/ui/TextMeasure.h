#pragma once

#include <QtCore/QSizeF>
#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QFont>

class QPainter;

namespace kesvor::ui {

/// How text that does not fit is cut.
enum class LineBreakMode {
    /// Lines break between words; lines beyond the limit are dropped.
    WordWrap,
    /// Lines break between words; the last shown line ends in "…" when text
    /// is left over.
    TruncateTail,
};

/// How a block of text is laid out: the same rules measure and draw it, so a
/// label drawn in a measured size shows exactly the measured lines.
struct TextStyle {
    QFont font;
    /// 0: as many lines as the text needs.
    int numberOfLines = 0;
    LineBreakMode lineBreakMode = LineBreakMode::WordWrap;
    Qt::Alignment alignment = Qt::AlignLeft;
};

class TextMeasure {
public:
    /// The size the text takes when wrapped at maxWidth (no limit when
    /// maxWidth is not positive or infinite): the widest line's width and
    /// the sum of the line heights. Exact, not rounded. Empty text is 0 × 0.
    static QSizeF boundingSize(const QString& text, const TextStyle& style, double maxWidth);

    /// Draws the text in rect as a label does: laid out at rect's width,
    /// centred vertically, showing only the lines that fit.
    static void draw(QPainter& painter, const QString& text, const TextStyle& style,
                     const QRectF& rect, const QColor& color);
};

/// The size of text wrapped at maxWidth in font, unlimited lines: what a
/// multi-line label with that font needs.
QSizeF sizeForText(const QString& text, double maxWidth, const QFont& font);

} // namespace kesvor::ui
