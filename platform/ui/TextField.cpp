#include "ui/TextField.h"

#include "ui/CaretBlink.h"
#include "ui/Color.h"
#include "ui/Font.h"

#include <QtGui/QFontMetricsF>
#include <QtWidgets/QLineEdit>

namespace kesvor::ui {

namespace {

// Room above and below the text line in the intrinsic height.
constexpr double verticalPadding = 4;

} // namespace

TextField::TextField(const QRectF& frame)
    : View(frame)
    , m_edit(new QLineEdit(this))
    , m_textColor(Color::black())
{
    m_edit->setFrame(false);
    m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    setFont(Font::systemFont(14));
    setTextColor(m_textColor);
    connect(m_edit, &QLineEdit::textEdited, this, &TextField::textEdited);
    connect(m_edit, &QLineEdit::returnPressed, this, &TextField::returnPressed);
    setFocusProxy(m_edit);
    new CaretBlink(m_edit);
}

TextField::~TextField() = default;

QString TextField::text() const
{
    return m_edit->text();
}

void TextField::setText(const QString& text)
{
    m_edit->setText(text);
}

QString TextField::placeholder() const
{
    return m_edit->placeholderText();
}

void TextField::setPlaceholder(const QString& placeholder)
{
    m_edit->setPlaceholderText(placeholder);
}

QFont TextField::font() const
{
    return m_edit->font();
}

void TextField::setFont(const QFont& font)
{
    m_edit->setFont(font);
    invalidateIntrinsicContentSize();
}

void TextField::setTextColor(const QColor& color)
{
    m_textColor = color;
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::Base, Color::clear());
    palette.setColor(QPalette::Window, Color::clear());
    m_edit->setPalette(palette);
}

Qt::Alignment TextField::textAlignment() const
{
    return m_edit->alignment() & Qt::AlignHorizontal_Mask;
}

void TextField::setTextAlignment(Qt::Alignment alignment)
{
    m_edit->setAlignment((alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
}

void TextField::setKeyboardType(KeyboardType type)
{
    m_keyboardType = type;
    m_edit->setInputMethodHints(type == KeyboardType::EmailAddress
                                    ? Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase
                                    : Qt::ImhNone);
}

void TextField::setLeftView(View* view)
{
    if (view == m_leftView)
        return;
    delete m_leftView.data();
    m_leftView = view;
    if (view) {
        view->setTranslatesAutoresizingMaskIntoConstraints(true);
        addSubview(view);
    }
    setNeedsLayout();
    invalidateIntrinsicContentSize();
}

void TextField::setLeftViewMode(TextFieldViewMode mode)
{
    m_leftViewMode = mode;
    setNeedsLayout();
}

void TextField::becomeFirstResponder()
{
    m_edit->setFocus();
}

void TextField::resignFirstResponder()
{
    m_edit->clearFocus();
}

bool TextField::isFirstResponder() const
{
    return m_edit->hasFocus();
}

QSizeF TextField::intrinsicContentSize() const
{
    const QFontMetricsF metrics(m_edit->font());
    const double leftWidth = m_leftView && m_leftViewMode == TextFieldViewMode::Always
                                 ? m_leftView->frame().width()
                                 : 0.0;
    return QSizeF(leftWidth + metrics.horizontalAdvance(text()) + 2 * verticalPadding,
                  metrics.lineSpacing() + 2 * verticalPadding);
}

void TextField::layoutSubviews()
{
    const QRectF area = bounds();
    double left = area.left();
    if (m_leftView) {
        const bool shown = m_leftViewMode == TextFieldViewMode::Always;
        m_leftView->setHidden(!shown);
        if (shown) {
            m_leftView->setFrame(
                QRectF(area.left(), area.top(), m_leftView->frame().width(), area.height()));
            left += m_leftView->frame().width();
        }
    }
    const QRectF editArea(left, area.top(), std::max(0.0, area.right() - left), area.height());
    m_edit->setGeometry(snapToPixels(editArea.translated(-area.topLeft())));
}

} // namespace kesvor::ui
