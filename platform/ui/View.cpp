#include "ui/View.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/Accessibility.h"
#include "ui/Animator.h"
#include "ui/LayoutEngine.h"
#include "ui/Window.h"

#include <QtWidgets/QApplication>

namespace kesvor::ui {

View::View(const QRectF& frame)
    : m_frame(frame)
{
    KESVOR_ASSERT_MAIN_THREAD();
    Accessibility::install();
    applyGeometry();
}

View::~View()
{
    // Subviews go first, while this view is still whole: their constraints
    // and engine entries are withdrawn through a tree that still exists.
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QPointer<QWidget> child : children)
        delete child.data();
    const auto involved = m_constraints;
    for (LayoutConstraint constraint : involved)
        constraint.setActive(false);
    if (View* superview = this->superview())
        if (LayoutEngine* engine = superview->rootView()->existingEngine())
            engine->setNeedsRebuild();
}

// --- Geometry -----------------------------------------------------------------

void View::setFrame(const QRectF& frame)
{
    if (!isFinite(frame)) {
        KESVOR_DEBUG_LOG << "View: ignoring a frame that is not finite:" << frame;
        return;
    }
    if (exactlyEqual(frame, m_frame))
        return;
    setFrameInternal(frame);
    notifyEngineFrameSetByHand();
}

void View::setFrameInternal(const QRectF& frame)
{
    Animator::shared().willChange(*this, AnimatedProperty::Frame);
    const bool resized = !exactlyEqual(frame.size(), m_frame.size());
    m_frame = frame;
    applyGeometry();
    if (resized)
        setNeedsLayout();
    Q_EMIT frameChanged(m_frame);
    if (resized)
        Q_EMIT boundsChanged(bounds());
}

void View::setBounds(const QRectF& bounds)
{
    if (!isFinite(bounds)) {
        KESVOR_DEBUG_LOG << "View: ignoring bounds that are not finite:" << bounds;
        return;
    }
    if (bounds.topLeft() != m_boundsOrigin) {
        Animator::shared().willChange(*this, AnimatedProperty::BoundsOrigin);
        m_boundsOrigin = bounds.topLeft();
        applySubviewGeometry();
        if (exactlyEqual(bounds.size(), m_frame.size()))
            Q_EMIT boundsChanged(this->bounds());
    }
    if (!exactlyEqual(bounds.size(), m_frame.size())) {
        const QPointF centre = m_frame.center();
        QRectF frame(QPointF(), bounds.size());
        frame.moveCenter(centre);
        setFrame(frame);
    }
}

void View::setCenter(const QPointF& center)
{
    QRectF frame = m_frame;
    frame.moveCenter(center);
    setFrame(frame);
}

QRectF View::presentationFrame() const
{
    return m_presentationFrame.value_or(m_frame);
}

QRectF View::presentationBounds() const
{
    return QRectF(m_presentationBoundsOrigin.value_or(m_boundsOrigin), presentationFrame().size());
}

QPointF View::convert(const QPointF& point, const View* other) const
{
    QPointF inRoot = point;
    for (const View* view = this; view; view = view->superview())
        inRoot = inRoot - view->m_boundsOrigin + view->m_frame.topLeft();
    if (!other)
        return inRoot;
    if (other->rootView() != rootView()) {
        const QPoint global = rootView()->mapToGlobal(QPoint());
        const QPoint otherGlobal = other->rootView()->mapToGlobal(QPoint());
        inRoot += QPointF(global - otherGlobal);
    }
    QList<const View*> chain;
    for (const View* view = other; view; view = view->superview())
        chain.prepend(view);
    for (const View* view : chain)
        inRoot = inRoot - view->m_frame.topLeft() + view->m_boundsOrigin;
    return inRoot;
}

QRectF View::convert(const QRectF& rect, const View* other) const
{
    return QRectF(convert(rect.topLeft(), other), rect.size());
}

// --- Hierarchy ----------------------------------------------------------------

View* View::superview() const
{
    return qobject_cast<View*>(parentWidget());
}

QList<View*> View::subviews() const
{
    QList<View*> result;
    for (QObject* child : children())
        if (auto* view = qobject_cast<View*>(child))
            result.append(view);
    return result;
}

View* View::rootView() const
{
    const View* view = this;
    while (View* superview = view->superview())
        view = superview;
    return const_cast<View*>(view);
}

bool View::isDescendantOf(const View* view) const
{
    for (const View* current = this; current; current = current->superview())
        if (current == view)
            return true;
    return false;
}

Window* View::window() const
{
    for (QWidget* widget = const_cast<View*>(this); widget; widget = widget->parentWidget())
        if (auto* window = qobject_cast<Window*>(widget))
            return window;
    return nullptr;
}

void View::addSubview(View* view)
{
    insertSubview(view, -1);
}

void View::insertSubview(View* view, int index)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!view || isDescendantOf(view)) {
        KESVOR_DEBUG_LOG << "View: refusing to add a view inside itself";
        return;
    }
    if (view->superview() != this) {
        if (view->parentWidget())
            view->removeFromSuperview();
        adoptSubview(view);
    }
    const QList<View*> siblings = subviews();
    if (index < 0 || index >= siblings.size() - 1) {
        view->raise();
    } else {
        View* above = siblings.at(index) == view ? siblings.at(index + 1) : siblings.at(index);
        view->stackUnder(above);
    }
}

void View::insertSubviewBelow(View* view, View* sibling)
{
    if (!sibling || sibling->superview() != this) {
        addSubview(view);
        return;
    }
    insertSubview(view, -1);
    if (view && view->superview() == this)
        view->stackUnder(sibling);
}

void View::insertSubviewAbove(View* view, View* sibling)
{
    insertSubview(view, -1);
    if (!sibling || sibling->superview() != this || !view || view->superview() != this)
        return;
    const QList<View*> siblings = subviews();
    const qsizetype above = siblings.indexOf(sibling) + 1;
    if (above < siblings.size() && siblings.at(above) != view)
        view->stackUnder(siblings.at(above));
}

void View::bringSubviewToFront(View* view)
{
    if (view && view->superview() == this)
        view->raise();
}

void View::sendSubviewToBack(View* view)
{
    if (view && view->superview() == this)
        view->lower();
}

void View::adoptSubview(View* view)
{
    const bool hadEngine = view->m_engine != nullptr;
    view->m_engine.reset();
    view->setParent(this);
    view->QWidget::setVisible(!view->m_hidden);
    // The subtree's constraints join the engine of the tree it joins.
    if (hadEngine)
        rootView()->engine().setNeedsRebuild();
    view->applyGeometry();
    view->setNeedsLayout();
    setNeedsLayout();
}

void View::removeFromSuperview()
{
    KESVOR_ASSERT_MAIN_THREAD();
    View* superview = this->superview();
    if (!superview) {
        if (parentWidget())
            setParent(nullptr);
        return;
    }
    View* oldRoot = rootView();
    detachConstraintsLeavingSubtree();
    const bool treeHadEngine = oldRoot->existingEngine() != nullptr;
    if (treeHadEngine)
        oldRoot->existingEngine()->setNeedsRebuild();
    setParent(nullptr);
    if (treeHadEngine)
        engine().setNeedsRebuild();
    superview->setNeedsLayout();
}

void View::detachConstraintsLeavingSubtree()
{
    QList<View*> subtree = findChildren<View*>();
    subtree.append(this);
    for (View* view : subtree) {
        const auto involved = view->m_constraints;
        for (LayoutConstraint constraint : involved) {
            View* first = constraint.firstItem();
            View* second = constraint.secondItem();
            const bool firstInside = first && first->isDescendantOf(this);
            const bool secondInside = !second || second->isDescendantOf(this);
            if (!firstInside || !secondInside)
                constraint.setActive(false);
        }
    }
}

void View::endEditing()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && (focused == this || isAncestorOf(focused)))
        focused->clearFocus();
}

// --- Appearance ---------------------------------------------------------------

void View::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void View::setAlpha(double alpha)
{
    if (std::isnan(alpha))
        return;
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (alpha == m_alpha)
        return;
    Animator::shared().willChange(*this, AnimatedProperty::Alpha);
    m_alpha = alpha;
    applyOpacity();
    applyMouseTransparency();
}

void View::setHidden(bool hidden)
{
    m_hidden = hidden;
    if (parentWidget())
        QWidget::setVisible(!hidden);
}

void View::setCornerRadius(double radius)
{
    m_cornerRadius = std::max(0.0, radius);
    applyMask();
    update();
}

void View::setClipsToBounds(bool clips)
{
    m_clipsToBounds = clips;
    applyMask();
}

void View::setBorderWidth(double width)
{
    m_borderWidth = std::max(0.0, width);
    update();
}

void View::setBorderColor(const QColor& color)
{
    m_borderColor = color;
    update();
}

void View::setMaskPath(const std::optional<QPainterPath>& path)
{
    m_maskPath = path;
    applyMask();
}

void View::setTransform(const QTransform& transform)
{
    if (transform == m_transform)
        return;
    Animator::shared().willChange(*this, AnimatedProperty::Transform);
    m_transform = transform;
    applyGeometry();
    update();
}

void View::setUserInteractionEnabled(bool enabled)
{
    m_userInteractionEnabled = enabled;
    applyMouseTransparency();
}

} // namespace kesvor::ui
