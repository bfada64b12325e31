#include "ui/Window.h"

#include "foundation/DebugLog.h"
#include "ui/Application.h"
#include "ui/ViewController.h"

namespace kesvor::ui {

Window::Window(const QRectF& frame)
    : View(frame)
{
    setObjectName(QStringLiteral("kesvor-window"));
    View::setHidden(true);
    Application::shared().registerWindow(this);
}

Window::~Window()
{
    if (m_rootViewController) {
        m_rootViewController->beginAppearanceTransition(false, false);
        m_rootViewController->endAppearanceTransition();
        delete m_rootViewController.data();
    }
}

void Window::setWindowLevel(double level)
{
    m_windowLevel = level;
    Application::shared().restackWindows();
}

ViewController* Window::rootViewController() const
{
    return m_rootViewController;
}

void Window::setRootViewController(ViewController* controller)
{
    if (controller == m_rootViewController)
        return;
    if (ViewController* old = m_rootViewController) {
        if (isOnScreen()) {
            old->beginAppearanceTransition(false, false);
            old->endAppearanceTransition();
        }
        delete old;
    }
    m_rootViewController = controller;
    if (!controller)
        return;
    controller->setParent(this);
    View* view = controller->view();
    view->setFrame(bounds());
    addFillingSubview(view);
    if (isOnScreen())
        controller->appearSoon();
}

void Window::makeKeyAndVisible()
{
    Application& application = Application::shared();
    if (!parentWidget() && application.hostWindow())
        setParent(application.hostWindow());
    if (!parentWidget()) {
        KESVOR_DEBUG_LOG << "Window: no host window to show in";
        return;
    }
    const bool wasOnScreen = isOnScreen();
    setHidden(false);
    application.setKeyWindow(this);
    application.restackWindows();
    setFocus();
    if (!wasOnScreen && m_rootViewController)
        m_rootViewController->appearSoon();
}

bool Window::isKeyWindow() const
{
    return Application::shared().keyWindow() == this;
}

void Window::addFillingSubview(View* view)
{
    m_fillingSubviews.removeAll(nullptr);
    if (!m_fillingSubviews.contains(view))
        m_fillingSubviews.append(view);
    view->setFrame(bounds());
    addSubview(view);
}

void Window::layoutSubviews()
{
    for (const QPointer<View>& view : std::as_const(m_fillingSubviews))
        if (view && view->superview() == this)
            view->setFrame(bounds());
}

bool Window::isOnScreen() const
{
    return parentWidget() && !isHidden();
}

} // namespace kesvor::ui
