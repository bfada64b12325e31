#include "ui/ScrollViewDrag.h"

#include "foundation/MainThread.h"
#include "ui/Control.h"
#include "ui/ScrollView.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QMouseEvent>

namespace kesvor::ui {

namespace {

// A press becomes a drag after moving this far.
constexpr double dragThreshold = 4;
// A pointer that rested this long before release has no speed left.
constexpr qint64 restingMs = 80;

ScrollView* enclosingScrollView(QWidget* widget)
{
    for (QWidget* up = widget ? widget->parentWidget() : nullptr; up; up = up->parentWidget())
        if (auto* scrollView = qobject_cast<ScrollView*>(up))
            return scrollView;
    return nullptr;
}

// The innermost scroll view at or around widget that can move that way.
ScrollView* scrollerFor(QWidget* widget, bool horizontal)
{
    auto* scrollView = qobject_cast<ScrollView*>(widget);
    if (!scrollView)
        scrollView = enclosingScrollView(widget);
    for (; scrollView; scrollView = enclosingScrollView(scrollView)) {
        const QPointF room =
            scrollView->maximumContentOffset() - scrollView->minimumContentOffset();
        if (scrollView->isScrollEnabled() && (horizontal ? room.x() : room.y()) > 0)
            return scrollView;
    }
    return nullptr;
}

} // namespace

ScrollViewDrag& ScrollViewDrag::shared()
{
    static ScrollViewDrag* drag = new ScrollViewDrag;
    return *drag;
}

ScrollViewDrag::ScrollViewDrag()
{
    QCoreApplication::instance()->installEventFilter(this);
}

void ScrollViewDrag::press(QWidget* origin, const QPointF& global)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_origin = origin;
    m_active = nullptr;
    m_pressed = true;
    m_pressGlobal = global;
    m_lastGlobal = global;
    m_velocity = QPointF();
    m_clock.start();
    auto* scrollView = qobject_cast<ScrollView*>(origin);
    if (!scrollView)
        scrollView = enclosingScrollView(origin);
    for (; scrollView; scrollView = enclosingScrollView(scrollView))
        scrollView->stopAtShownOffset();
}

bool ScrollViewDrag::move(const QPointF& global)
{
    if (!m_pressed)
        return false;
    if (!m_active) {
        const QPointF delta = global - m_pressGlobal;
        if (delta.manhattanLength() < dragThreshold)
            return false;
        m_active = scrollerFor(m_origin, std::abs(delta.x()) >= std::abs(delta.y()));
        if (!m_active) {
            m_pressed = false;
            return false;
        }
        m_active->beginDragging();
    }
    const double elapsed = static_cast<double>(std::max<qint64>(1, m_clock.restart()));
    // In the direction the offset moves: against the pointer.
    m_velocity = (m_lastGlobal - global) / elapsed;
    m_lastGlobal = global;
    if (m_active)
        m_active->dragBy(global - m_pressGlobal);
    return true;
}

bool ScrollViewDrag::release()
{
    m_pressed = false;
    const QPointer<ScrollView> active = std::exchange(m_active, nullptr);
    if (!active)
        return false;
    active->endDragging(m_clock.elapsed() >= restingMs ? QPointF() : m_velocity);
    return true;
}

bool ScrollViewDrag::eventFilter(QObject* watched, QEvent* event)
{
    // Controls take their presses, so scroll views never see them: their
    // pointer is followed here.
    // A double click's second press comes as a double-click event.
    QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonDblClick)
        type = QEvent::MouseButtonPress;
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return false;
    auto* control = qobject_cast<Control*>(watched);
    if (!control || !enclosingScrollView(control))
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    switch (type) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton)
            press(control, mouse->globalPosition());
        return false;
    case QEvent::MouseMove: {
        if (m_origin != control)
            return false;
        const bool takenOver = !m_active.isNull();
        if (!move(mouse->globalPosition()))
            return false;
        if (!takenOver)
            control->cancelTracking();
        return true;
    }
    default:
        return mouse->button() == Qt::LeftButton && m_origin == control && release();
    }
}

} // namespace kesvor::ui
