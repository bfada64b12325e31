#pragma once

#include <QtCore/QObject>
#include <QtCore/QRectF>
#include <QtCore/QString>

namespace kesvor::ui {

/// The on-screen keyboard as the application sees it. Changes of the
/// platform's input panel (QInputMethod) become will-show and will-hide
/// notifications on the default notification centre, with the keyboard's
/// final frame (in the host window's coordinates) and the animation's curve
/// and duration; frame observers (input accessory views) hear every change.
/// Hosts and tests can report a keyboard themselves with setKeyboardFrame().
class Keyboard : public QObject {
    Q_OBJECT
public:
    static const QString willShowNotification;
    static const QString willHideNotification;
    /// userInfo keys: a QRectF, an unsigned curve value, a duration in seconds.
    static const QString frameEndUserInfoKey;
    static const QString animationCurveUserInfoKey;
    static const QString animationDurationUserInfoKey;

    /// The curve and duration keyboards move with.
    static constexpr unsigned animationCurve = 7;
    static constexpr double animationDuration = 0.25;

    static Keyboard& shared();

    bool isVisible() const { return m_visible; }
    QRectF frame() const { return m_frame; }

    /// Reports the keyboard's state: posts will-show or will-hide when the
    /// visibility changes, and frameChanged on every change.
    void setKeyboardFrame(bool visible, const QRectF& frame);

Q_SIGNALS:
    void frameChanged(bool visible, const QRectF& frame);

private:
    Keyboard();
    void followInputMethod();

    bool m_visible = false;
    QRectF m_frame;
};

} // namespace kesvor::ui
