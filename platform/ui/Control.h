#pragma once

#include "ui/View.h"

#include <functional>

namespace kesvor::ui {

enum class ControlState { Normal = 0x0, Highlighted = 0x1, Disabled = 0x2, Selected = 0x4 };
Q_DECLARE_FLAGS(ControlStates, ControlState)
Q_DECLARE_OPERATORS_FOR_FLAGS(ControlStates)

enum class ControlEvent { TouchDown, TouchUpInside, TouchUpOutside, TouchCancel };

/// A view that reacts to touches (mouse presses here): highlighted while
/// pressed, touch-up-inside when released over itself. A disabled control
/// takes touches but does nothing with them.
class Control : public View {
    Q_OBJECT
public:
    explicit Control(const QRectF& frame = QRectF());

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    ControlStates state() const;

    /// Calls action for event, with the control that sent it.
    void addTarget(ControlEvent event, std::function<void(Control*)> action);
    /// Runs the actions of event, as a touch would.
    void sendActions(ControlEvent event);
    /// Ends the touch being tracked without touch-up: a scroll view around
    /// the control took the pointer over for a drag. Sends touch-cancel.
    void cancelTracking();

Q_SIGNALS:
    void touchDown();
    void touchUpInside();
    void touchUpOutside();

protected:
    /// The state changed: redraw, re-pick per-state attributes.
    virtual void stateDidChange() { update(); }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_enabled = true;
    bool m_highlighted = false;
    bool m_selected = false;
    bool m_tracking = false;
    QList<std::pair<ControlEvent, std::function<void(Control*)>>> m_targets;
};

} // namespace kesvor::ui
