#include "ui/Keyboard.h"

#include "foundation/NotificationCenter.h"
#include "ui/Application.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QInputMethod>
#include <QtWidgets/QWidget>

namespace kesvor::ui {

const QString Keyboard::willShowNotification = QStringLiteral("UIKeyboardWillShowNotification");
const QString Keyboard::willHideNotification = QStringLiteral("UIKeyboardWillHideNotification");
const QString Keyboard::frameEndUserInfoKey = QStringLiteral("UIKeyboardFrameEndUserInfoKey");
const QString Keyboard::animationCurveUserInfoKey =
    QStringLiteral("UIKeyboardAnimationCurveUserInfoKey");
const QString Keyboard::animationDurationUserInfoKey =
    QStringLiteral("UIKeyboardAnimationDurationUserInfoKey");

Keyboard& Keyboard::shared()
{
    static Keyboard* keyboard = new Keyboard;
    return *keyboard;
}

Keyboard::Keyboard()
{
    if (QInputMethod* inputMethod = QGuiApplication::inputMethod()) {
        connect(inputMethod, &QInputMethod::visibleChanged, this, &Keyboard::followInputMethod);
        connect(inputMethod, &QInputMethod::keyboardRectangleChanged, this,
                &Keyboard::followInputMethod);
    }
}

void Keyboard::followInputMethod()
{
    QInputMethod* inputMethod = QGuiApplication::inputMethod();
    QRectF frame = inputMethod->keyboardRectangle();
    if (QWidget* host = Application::shared().hostWindow())
        frame.translate(-QPointF(host->mapToGlobal(QPoint())));
    setKeyboardFrame(inputMethod->isVisible() && !frame.isEmpty(), frame);
}

void Keyboard::setKeyboardFrame(bool visible, const QRectF& frame)
{
    const bool visibilityChanged = visible != m_visible;
    if (!visibilityChanged && frame == m_frame)
        return;
    m_visible = visible;
    m_frame = frame;
    if (visibilityChanged) {
        const QVariantMap userInfo{
            {frameEndUserInfoKey, frame},
            {animationCurveUserInfoKey, animationCurve},
            {animationDurationUserInfoKey, animationDuration},
        };
        foundation::NotificationCenter::defaultCenter().post(
            visible ? willShowNotification : willHideNotification, userInfo);
    }
    Q_EMIT frameChanged(visible, frame);
}

} // namespace kesvor::ui
