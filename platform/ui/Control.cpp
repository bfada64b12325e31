#include "ui/Control.h"

#include <QtGui/QMouseEvent>

namespace kesvor::ui {

Control::Control(const QRectF& frame)
    : View(frame)
{
}

void Control::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (!enabled)
        m_highlighted = false;
    stateDidChange();
}

void Control::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    stateDidChange();
}

void Control::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    stateDidChange();
}

ControlStates Control::state() const
{
    ControlStates result = ControlState::Normal;
    if (m_highlighted)
        result |= ControlState::Highlighted;
    if (!m_enabled)
        result |= ControlState::Disabled;
    if (m_selected)
        result |= ControlState::Selected;
    return result;
}

void Control::addTarget(ControlEvent event, std::function<void(Control*)> action)
{
    m_targets.append({event, std::move(action)});
}

void Control::sendActions(ControlEvent event)
{
    // An action may delete the control (a close button); finish with a guard.
    const QPointer<Control> self = this;
    switch (event) {
    case ControlEvent::TouchDown:
        Q_EMIT touchDown();
        break;
    case ControlEvent::TouchUpInside:
        Q_EMIT touchUpInside();
        break;
    case ControlEvent::TouchUpOutside:
        Q_EMIT touchUpOutside();
        break;
    case ControlEvent::TouchCancel:
        break;
    }
    const auto targets = m_targets;
    for (const auto& [kind, action] : targets) {
        if (!self)
            return;
        if (kind == event && action)
            action(this);
    }
}

void Control::cancelTracking()
{
    if (!m_tracking)
        return;
    m_tracking = false;
    setHighlighted(false);
    sendActions(ControlEvent::TouchCancel);
}

void Control::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_enabled)
        return;
    m_tracking = true;
    setHighlighted(true);
    sendActions(ControlEvent::TouchDown);
}

void Control::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_tracking)
        return;
    setHighlighted(rect().contains(event->position().toPoint()));
}

void Control::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_tracking || event->button() != Qt::LeftButton)
        return;
    m_tracking = false;
    const bool inside = rect().contains(event->position().toPoint());
    setHighlighted(false);
    sendActions(inside ? ControlEvent::TouchUpInside : ControlEvent::TouchUpOutside);
}

} // namespace kesvor::ui
