#include "ui/ViewController.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/View.h"
#include "ui/Window.h"

#include <QtCore/QTimer>

namespace kesvor::ui {

namespace {

// Presented controllers fade in and out this fast.
constexpr double presentationDuration = 0.2;

} // namespace

ViewController::ViewController(QObject* parent)
    : QObject(parent)
{
    KESVOR_ASSERT_MAIN_THREAD();
}

ViewController::~ViewController()
{
    delete m_view.data();
}

View* ViewController::view()
{
    if (!m_view && !m_loading) {
        m_loading = true;
        loadView();
        if (!m_view)
            setView(new View);
        m_loading = false;
        viewDidLoad();
    }
    return m_view;
}

View* ViewController::viewIfLoaded() const
{
    return m_view;
}

bool ViewController::isViewLoaded() const
{
    return m_view != nullptr;
}

ViewController* ViewController::presentedViewController() const
{
    return m_presented;
}

ViewController* ViewController::presentingViewController() const
{
    return m_presenting;
}

void ViewController::loadView()
{
    setView(new View);
}

void ViewController::setView(View* view)
{
    m_view = view;
}

void ViewController::viewDidLoad() {}
void ViewController::viewWillAppear(bool) {}
void ViewController::viewDidAppear(bool) {}
void ViewController::viewWillDisappear(bool) {}
void ViewController::viewDidDisappear(bool) {}

ViewController* ViewController::parentViewController() const
{
    return m_parentController;
}

QList<ViewController*> ViewController::childViewControllers() const
{
    QList<ViewController*> children;
    for (const QPointer<ViewController>& child : m_children)
        if (child)
            children.append(child);
    return children;
}

void ViewController::addChildViewController(ViewController* child)
{
    if (!child || child == this || child->m_parentController == this)
        return;
    child->removeFromParentViewController();
    child->setParent(this);
    child->m_parentController = this;
    m_children.append(child);
    if (m_appearance == Appearance::Appeared)
        child->appearSoon();
}

void ViewController::removeFromParentViewController()
{
    ViewController* parent = m_parentController;
    if (!parent)
        return;
    parent->m_children.removeAll(this);
    m_parentController = nullptr;
    if (m_appearance == Appearance::Appeared || m_appearance == Appearance::Appearing) {
        beginAppearanceTransition(false, false);
        endAppearanceTransition();
    }
    // The caller owns the controller from here on.
    setParent(nullptr);
}

void ViewController::present(ViewController* controller, bool animated,
                             const std::function<void()>& completion)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!controller)
        return;
    Window* window = view()->window();
    if (m_presented || !window) {
        KESVOR_DEBUG_LOG << "ViewController: cannot present"
                         << controller->metaObject()->className()
                         << (m_presented ? "while presenting another controller"
                                         : "from a view that is in no window");
        controller->deleteLater();
        return;
    }
    controller->setParent(this);
    m_presented = controller;
    controller->m_presenting = this;
    View* presentedView = controller->view();
    window->addFillingSubview(presentedView);
    controller->beginAppearanceTransition(true, animated);

    const QPointer<ViewController> presented = controller;
    const auto finish = [presented, completion](bool) {
        if (presented)
            presented->endAppearanceTransition();
        if (completion)
            completion();
    };
    if (!animated) {
        finish(true);
        return;
    }
    presentedView->setAlpha(0);
    View::animate(
        presentationDuration, [presentedView] { presentedView->setAlpha(1); }, finish);
}

void ViewController::dismiss(bool animated, const std::function<void()>& completion)
{
    KESVOR_ASSERT_MAIN_THREAD();
    ViewController* target = m_presented ? m_presented.data() : this;
    ViewController* presenter = target->m_presenting;
    if (!presenter) {
        if (completion)
            completion();
        return;
    }
    presenter->m_presented = nullptr;
    target->m_presenting = nullptr;
    target->beginAppearanceTransition(false, animated);

    const QPointer<ViewController> dismissed = target;
    const auto finish = [dismissed, completion](bool) {
        if (dismissed) {
            dismissed->endAppearanceTransition();
            if (View* view = dismissed->viewIfLoaded())
                view->removeFromSuperview();
            dismissed->deleteLater();
        }
        if (completion)
            completion();
    };
    View* view = target->viewIfLoaded();
    if (!animated || !view) {
        finish(true);
        return;
    }
    View::animate(
        presentationDuration, [view] { view->setAlpha(0); }, finish);
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated)
{
    if (appearing) {
        if (m_appearance == Appearance::Appeared || m_appearance == Appearance::Appearing)
            return;
        view();
        m_appearance = Appearance::Appearing;
        m_animatedTransition = animated;
        viewWillAppear(animated);
    } else {
        if (m_appearance == Appearance::Disappeared || m_appearance == Appearance::Disappearing)
            return;
        m_appearance = Appearance::Disappearing;
        m_animatedTransition = animated;
        viewWillDisappear(animated);
    }
    for (ViewController* child : childViewControllers())
        child->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition()
{
    if (m_appearance == Appearance::Appearing) {
        m_appearance = Appearance::Appeared;
        viewDidAppear(m_animatedTransition);
    } else if (m_appearance == Appearance::Disappearing) {
        m_appearance = Appearance::Disappeared;
        viewDidDisappear(m_animatedTransition);
    } else {
        return;
    }
    for (ViewController* child : childViewControllers())
        child->endAppearanceTransition();
}

void ViewController::appearSoon(bool animated)
{
    beginAppearanceTransition(true, animated);
    QTimer::singleShot(0, this, [this] { endAppearanceTransition(); });
}

} // namespace kesvor::ui
