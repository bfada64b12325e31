#include "ui/CaretBlink.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QStyleHints>
#include <QtWidgets/QAbstractScrollArea>
#include <QtWidgets/QWidget>

namespace kesvor::ui {

CaretBlink::CaretBlink(QWidget* editor)
    : QObject(editor)
    , m_editor(editor)
    , m_quiet([this] { rest(); })
{
    editor->installEventFilter(this);
    // Clicks land on a scroll area's viewport.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(editor))
        area->viewport()->installEventFilter(this);
    if (editor->hasFocus())
        blink();
}

CaretBlink::~CaretBlink()
{
    giveBack();
}

bool CaretBlink::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        blink();
        break;
    case QEvent::FocusOut:
        m_quiet.stop();
        giveBack();
        break;
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
        if (m_editor->hasFocus())
            blink();
        break;
    default:
        break;
    }
    return false;
}

void CaretBlink::blink()
{
    giveBack();
    m_quiet.start(blinkingMs);
}

void CaretBlink::rest()
{
    QStyleHints* hints = QGuiApplication::styleHints();
    const int flashTime = hints->cursorFlashTime();
    if (isResting() || !m_editor->hasFocus() || flashTime <= 0)
        return;
    m_restingFrom = flashTime;
    // The editor stops its blink timer and shows the caret.
    hints->setCursorFlashTime(0);
}

void CaretBlink::giveBack()
{
    if (!m_restingFrom)
        return;
    const int flashTime = *m_restingFrom;
    m_restingFrom.reset();
    QStyleHints* hints = QGuiApplication::styleHints();
    // A negative time hands the choice back to the platform, which it had
    // unless the application chose a time of its own.
    hints->setCursorFlashTime(-1);
    if (hints->cursorFlashTime() != flashTime)
        hints->setCursorFlashTime(flashTime);
}

} // namespace kesvor::ui
