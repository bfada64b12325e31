#pragma once

#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QPointer>

#include <functional>

namespace kesvor::ui {

class View;
class Window;

/// Manages one view: creates it on first access (loadView(), then
/// viewDidLoad()), hears when it appears and disappears, holds child
/// controllers and presents other controllers (alerts) over itself.
///
/// Ownership follows Qt parents: a window owns its root controller, a
/// controller owns its children and what it presents. A controller's view
/// is deleted with the controller.
class ViewController : public QObject {
    Q_OBJECT
public:
    explicit ViewController(QObject* parent = nullptr);
    ~ViewController() override;

    /// The view, loaded on first access.
    View* view();
    View* viewIfLoaded() const;
    bool isViewLoaded() const;

    // --- Lifecycle (overridable; call the base implementation) ----------------

    virtual void viewDidLoad();
    virtual void viewWillAppear(bool animated);
    virtual void viewDidAppear(bool animated);
    virtual void viewWillDisappear(bool animated);
    virtual void viewDidDisappear(bool animated);

    /// Whether the view is on screen (between viewDidAppear and
    /// viewWillDisappear).
    bool isAppeared() const { return m_appearance == Appearance::Appeared; }

    // --- Containment ----------------------------------------------------------

    ViewController* parentViewController() const;
    QList<ViewController*> childViewControllers() const;
    /// Takes ownership of child. Adding its view is the caller's business.
    void addChildViewController(ViewController* child);
    void removeFromParentViewController();

    // --- Presentation ---------------------------------------------------------

    /// Shows controller over this controller's window and takes ownership
    /// of it until it is dismissed. Refused (with a debug diagnostic) while
    /// another controller is presented or when this view is in no window.
    void present(ViewController* controller, bool animated,
                 const std::function<void()>& completion = {});
    /// Dismisses what this controller presents, or, when it presents nothing,
    /// this controller from its presenter.
    void dismiss(bool animated, const std::function<void()>& completion = {});
    ViewController* presentedViewController() const;
    ViewController* presentingViewController() const;

    // --- Appearance forwarding (windows and containers) -----------------------

    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();
    /// Appears now and reports viewDidAppear once the event loop has shown it.
    void appearSoon(bool animated = false);

protected:
    /// Creates the view; the default is a plain View. Overrides call setView().
    virtual void loadView();
    void setView(View* view);

private:
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };

    QPointer<View> m_view;
    QList<QPointer<ViewController>> m_children;
    QPointer<ViewController> m_parentController;
    QPointer<ViewController> m_presented;
    QPointer<ViewController> m_presenting;
    Appearance m_appearance = Appearance::Disappeared;
    bool m_animatedTransition = false;
    bool m_loading = false;
};

} // namespace kesvor::ui
