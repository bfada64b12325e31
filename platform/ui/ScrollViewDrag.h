#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QPointF>
#include <QtCore/QPointer>

class QWidget;

namespace kesvor::ui {

class ScrollView;

/// The application's one pointer drag over scroll views. A press inside
/// scroll views is followed; once the pointer has moved far enough, the
/// innermost scroll view that can move along the drag's main direction takes
/// it: a vertical drag on a sideways strip inside a list scrolls the list.
/// A control the press landed on loses its touch when that happens, so a
/// drag that starts on a button still scrolls. At release the scroll view
/// glides on with the pointer's speed.
///
/// Scroll views feed it their own mouse events; an application event filter
/// feeds it the events of controls inside scroll views. Main thread only.
class ScrollViewDrag : public QObject {
public:
    static ScrollViewDrag& shared();

    /// A press at a global position on origin (a scroll view or anything
    /// inside one). Scroll views around it stop gliding.
    void press(QWidget* origin, const QPointF& global);
    /// True when a scroll view follows the pointer.
    bool move(const QPointF& global);
    /// True when a drag ended.
    bool release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ScrollViewDrag();

    QPointer<QWidget> m_origin;
    QPointer<ScrollView> m_active;
    bool m_pressed = false;
    QPointF m_pressGlobal;
    QPointF m_lastGlobal;
    QPointF m_velocity;
    QElapsedTimer m_clock;
};

} // namespace kesvor::ui
