#include "ui/TextView.h"

#include "ui/BABFrameObservingInputAccessoryView.h"

#include "ui/CaretBlink.h"
#include "ui/Color.h"
#include "ui/Font.h"

#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QKeyEvent>
#include <QtGui/QTextDocument>
#include <QtGui/QTextFrame>
#include <QtWidgets/QTextEdit>

namespace kesvor::ui {

TextView::TextView(const QRectF& frame)
    : View(frame)
    , m_edit(new QTextEdit(this))
    , m_textColor(Color::black())
{
    m_edit->setAcceptRichText(false);
    m_edit->setFrameShape(QFrame::NoFrame);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_edit->setLineWrapMode(QTextEdit::WidgetWidth);
    m_edit->document()->setDocumentMargin(0);
    setTextContainerInset(m_inset);
    setFont(Font::defaultLabelFont());
    setTextColor(m_textColor);
    setFocusProxy(m_edit);
    m_edit->installEventFilter(this);
    new CaretBlink(m_edit);
    connect(m_edit, &QTextEdit::textChanged, this, [this] {
        if (m_settingText)
            return;
        textViewDidChange();
        Q_EMIT textDidChange();
    });
    connect(m_edit->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
            this, &TextView::updateContentSize);
}

TextView::~TextView() = default;

QString TextView::text() const
{
    return m_edit->toPlainText();
}

void TextView::setText(const QString& text)
{
    m_settingText = true;
    m_edit->setPlainText(text);
    m_settingText = false;
    // Replacing the text resets the document's margins.
    setTextContainerInset(m_inset);
}

QFont TextView::font() const
{
    return m_edit->font();
}

void TextView::setFont(const QFont& font)
{
    m_edit->setFont(font);
    m_edit->document()->setDefaultFont(font);
    updateContentSize();
}

void TextView::setTextColor(const QColor& color)
{
    m_textColor = color;
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::Base, Color::clear());
    m_edit->setPalette(palette);
    m_edit->viewport()->setAutoFillBackground(false);
}

bool TextView::isEditable() const
{
    return !m_edit->isReadOnly();
}

void TextView::setEditable(bool editable)
{
    m_edit->setReadOnly(!editable);
}

void TextView::setTextContainerInset(const EdgeInsets& inset)
{
    // The insets are the document's own margins, so the document's size is
    // the content size.
    m_inset = inset;
    const bool wasSettingText = std::exchange(m_settingText, true);
    QTextFrameFormat format = m_edit->document()->rootFrame()->frameFormat();
    format.setTopMargin(inset.top);
    format.setLeftMargin(inset.left);
    format.setBottomMargin(inset.bottom);
    format.setRightMargin(inset.right);
    m_edit->document()->rootFrame()->setFrameFormat(format);
    m_settingText = wasSettingText;
    updateContentSize();
}

void TextView::setInputAccessoryView(std::unique_ptr<View> view)
{
    m_inputAccessoryView = std::move(view);
    if (auto* observer =
            qobject_cast<BABFrameObservingInputAccessoryView*>(m_inputAccessoryView.get()))
        observer->setInputView(m_edit);
}

void TextView::becomeFirstResponder()
{
    m_edit->setFocus();
}

void TextView::resignFirstResponder()
{
    m_edit->clearFocus();
}

bool TextView::isFirstResponder() const
{
    return m_edit->hasFocus();
}

void TextView::textViewDidChange() {}

void TextView::layoutSubviews()
{
    m_edit->setGeometry(
        QRect(QPoint(0, 0), snapToPixels(QRectF(QPointF(), frame().size())).size()));
    m_edit->document()->setTextWidth(frame().width());
    updateContentSize();
}

bool TextView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit || event->type() != QEvent::KeyPress || !m_returnKeySubmits)
        return View::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if (key->modifiers() & Qt::ShiftModifier)
        m_edit->insertPlainText(QStringLiteral("\n"));
    else
        Q_EMIT returnPressed();
    return true;
}

void TextView::updateContentSize()
{
    const QSizeF document = m_edit->document()->size();
    const QSizeF size(frame().width(), document.height());
    if (size == m_contentSize)
        return;
    m_contentSize = size;
    Q_EMIT contentSizeChanged(size);
}

} // namespace kesvor::ui
