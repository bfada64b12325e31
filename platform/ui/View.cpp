#include "View.h"

#include "Animator.h"
#include "LayoutEngine.h"
#include "Window.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtWidgets/QGraphicsOpacityEffect>

namespace kesvor::ui {

namespace {

// More rounds than this in one layout pass means layoutSubviews() overrides
// keep invalidating each other; the pass stops rather than spin.
constexpr int maxLayoutRounds = 16;
// Views this transparent no longer take touches.
constexpr double minimumTouchableAlpha = 0.01;

QRectF transformedAboutCenter(const QRectF& frame, const QTransform& transform)
{
    if (transform.isIdentity())
        return frame;
    const QRectF local(-frame.width() / 2, -frame.height() / 2, frame.width(), frame.height());
    return transform.mapRect(local).translated(frame.center());
}

void collectPendingLayout(View* view, QList<QPointer<View>>& pending)
{
    if (view->needsLayout())
        pending.append(view);
    for (View* subview : view->subviews())
        collectPendingLayout(subview, pending);
}

} // namespace

View::View(const QRectF& frame)
    : m_frame(frame)
{
    KESVOR_ASSERT_MAIN_THREAD();
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
    if (hadEngine)
        engine().setNeedsRebuild();
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

// --- Appearance ---------------------------------------------------------------

void View::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void View::setAlpha(double alpha)
{
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

// --- Rendering ----------------------------------------------------------------

QPointF View::originInRoot() const
{
    const QRectF frame = presentationFrame();
    const QPointF boundsOrigin = m_presentationBoundsOrigin.value_or(m_boundsOrigin);
    const QPointF own = frame.topLeft() - boundsOrigin;
    if (View* superview = this->superview())
        return superview->originInRoot() + own;
    return own;
}

void View::applyGeometry()
{
    // Edges are rounded where they lie in the root's space, so that views
    // meeting exactly there also meet on the pixel grid.
    QPointF parentOrigin;
    QPoint parentPixels;
    if (View* superview = this->superview()) {
        parentOrigin = superview->originInRoot();
        for (const View* view = superview; view; view = view->superview())
            parentPixels += view->pos();
    }
    const QTransform transform = m_presentationTransform.value_or(m_transform);
    const QRectF drawn =
        transformedAboutCenter(presentationFrame(), transform).translated(parentOrigin);
    // Hairlines keep a pixel; a view scaled down to nothing draws nothing.
    const QRect pixels = transform.isIdentity() ? snapToPixels(drawn) : snapEdgesToPixels(drawn);
    m_applyingGeometry = true;
    QWidget::setGeometry(pixels.translated(-parentPixels));
    m_applyingGeometry = false;
    applyMask();
    applySubviewGeometry();
}

void View::applySubviewGeometry()
{
    for (View* subview : subviews())
        subview->applyGeometry();
}

void View::applyMask()
{
    const QSizeF size = presentationFrame().size();
    if (width() <= 0 || height() <= 0 || size.isEmpty()) {
        clearMask();
        return;
    }
    QPainterPath path;
    if (m_maskPath) {
        path = m_maskPath->translated(-m_boundsOrigin);
    } else if (m_clipsToBounds && m_cornerRadius > 0) {
        path.addRoundedRect(QRectF(QPointF(), size), m_cornerRadius, m_cornerRadius);
    } else {
        clearMask();
        return;
    }
    const QTransform toWidget =
        QTransform::fromScale(width() / size.width(), height() / size.height());
    setMask(QRegion(toWidget.map(path).toFillPolygon().toPolygon()));
}

void View::applyOpacity()
{
    const double alpha = m_presentationAlpha.value_or(m_alpha);
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
    if (alpha >= 1.0) {
        if (effect)
            setGraphicsEffect(nullptr);
        return;
    }
    if (!effect) {
        effect = new QGraphicsOpacityEffect(this);
        setGraphicsEffect(effect);
    }
    effect->setOpacity(alpha);
}

void View::applyMouseTransparency()
{
    setAttribute(Qt::WA_TransparentForMouseEvents,
                 !m_userInteractionEnabled || m_alpha < minimumTouchableAlpha);
}

void View::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF size = presentationFrame().size();
    const QTransform transform = m_presentationTransform.value_or(m_transform);
    if (!transform.isIdentity() && size.width() > 0 && size.height() > 0)
        painter.scale(width() / size.width(), height() / size.height());

    const QRectF area(QPointF(), size);
    if (m_backgroundColor.isValid() && m_backgroundColor.alpha() > 0) {
        QPainterPath background;
        background.addRoundedRect(area, m_cornerRadius, m_cornerRadius);
        painter.fillPath(background, m_backgroundColor);
    }
    painter.save();
    painter.translate(-m_boundsOrigin);
    draw(painter, QRectF(m_boundsOrigin, size));
    painter.restore();
    if (m_borderWidth > 0) {
        const double half = m_borderWidth / 2;
        painter.setPen(QPen(m_borderColor, m_borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area.adjusted(half, half, -half, -half),
                                std::max(0.0, m_cornerRadius - half),
                                std::max(0.0, m_cornerRadius - half));
    }
}

void View::draw(QPainter&, const QRectF&) {}

bool View::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) {
        m_layoutRequested = false;
        if (!superview())
            layoutIfNeeded();
    }
    return QWidget::event(event);
}

void View::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A root placed by Qt (a top-level window, a QLayout) takes its size from
    // the widget instead.
    if (!m_applyingGeometry && !superview() && !window() && size() != snapToPixels(m_frame).size())
        setFrame(QRectF(QPointF(pos()), QSizeF(size())));
}

void View::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (!m_applyingGeometry && !superview() && !window() &&
        pos() != snapToPixels(m_frame).topLeft())
        setFrame(QRectF(QPointF(pos()), m_frame.size()));
}

// --- Layout -------------------------------------------------------------------

void View::setNeedsLayout()
{
    m_needsLayout = true;
    scheduleLayout();
}

void View::scheduleLayout()
{
    View* root = rootView();
    Animator::shared().layoutRequested(*root);
    if (root->m_layoutRequested || root->m_inLayoutPass)
        return;
    root->m_layoutRequested = true;
    QCoreApplication::postEvent(root, new QEvent(QEvent::LayoutRequest));
}

void View::layoutIfNeeded()
{
    KESVOR_ASSERT_MAIN_THREAD();
    rootView()->runLayoutPass();
}

void View::runLayoutPass()
{
    if (m_inLayoutPass) {
        // Called from a layoutSubviews() override: bring the frames up to
        // date, the pass that is running calls the remaining overrides.
        if (m_engine && m_engine->needsUpdate())
            m_engine->update();
        return;
    }
    m_inLayoutPass = true;
    for (int round = 0;; ++round) {
        if (m_engine && m_engine->needsUpdate())
            m_engine->update();
        QList<QPointer<View>> pending;
        collectPendingLayout(this, pending);
        if (pending.isEmpty())
            break;
        if (round == maxLayoutRounds) {
            KESVOR_DEBUG_LOG << "View: layout did not settle after" << maxLayoutRounds
                             << "rounds; layoutSubviews() overrides keep asking for more";
            for (const QPointer<View>& view : pending)
                if (view)
                    view->m_needsLayout = false;
            break;
        }
        for (const QPointer<View>& view : pending) {
            if (!view || !view->m_needsLayout)
                continue;
            view->m_needsLayout = false;
            view->layoutSubviews();
        }
    }
    m_inLayoutPass = false;
}

void View::layoutSubviews() {}

QSizeF View::intrinsicContentSize() const
{
    return QSizeF(noIntrinsicMetric, noIntrinsicMetric);
}

void View::invalidateIntrinsicContentSize()
{
    // New content is measured afresh, not at the width the old one got.
    m_intrinsicLayoutWidth.reset();
    if (m_translatesMask)
        return;
    if (LayoutEngine* engine = rootView()->existingEngine()) {
        engine->intrinsicSizeInvalidated(*this);
        setNeedsLayout();
    }
}

QSizeF View::sizeThatFits(const QSizeF&) const
{
    return m_frame.size();
}

void View::sizeToFit()
{
    setFrame(QRectF(m_frame.topLeft(), sizeThatFits(m_frame.size())));
}

float View::contentHuggingPriority(LayoutAxis axis) const
{
    return m_hugging[axis == LayoutAxis::Horizontal ? 0 : 1];
}

void View::setContentHuggingPriority(float priority, LayoutAxis axis)
{
    m_hugging[axis == LayoutAxis::Horizontal ? 0 : 1] = std::clamp(priority, 1.0f, 1000.0f);
    invalidateIntrinsicContentSize();
}

float View::contentCompressionResistancePriority(LayoutAxis axis) const
{
    return m_compression[axis == LayoutAxis::Horizontal ? 0 : 1];
}

void View::setContentCompressionResistancePriority(float priority, LayoutAxis axis)
{
    m_compression[axis == LayoutAxis::Horizontal ? 0 : 1] = std::clamp(priority, 1.0f, 1000.0f);
    invalidateIntrinsicContentSize();
}

void View::setTranslatesAutoresizingMaskIntoConstraints(bool translates)
{
    if (translates == m_translatesMask)
        return;
    m_translatesMask = translates;
    if (LayoutEngine* engine = rootView()->existingEngine())
        engine->setNeedsRebuild();
    setNeedsLayout();
}

LayoutEngine* View::existingEngine() const
{
    return m_engine.get();
}

LayoutEngine& View::engine()
{
    Q_ASSERT(!superview());
    if (!m_engine)
        m_engine = std::make_unique<LayoutEngine>(*this);
    return *m_engine;
}

void View::notifyEngineFrameSetByHand()
{
    if (!m_translatesMask)
        return;
    if (LayoutEngine* engine = rootView()->existingEngine())
        engine->frameSetByHand(*this);
}

void View::addConstraints(const QList<LayoutConstraint>& constraints)
{
    LayoutConstraint::activate(constraints);
}

void View::addConstraint(const LayoutConstraint& constraint)
{
    LayoutConstraint::activate({constraint});
}

void View::removeConstraints(const QList<LayoutConstraint>& constraints)
{
    LayoutConstraint::deactivate(constraints);
}

void View::removeConstraint(const LayoutConstraint& constraint)
{
    LayoutConstraint::deactivate({constraint});
}

void View::addConstraints(const QString& format, const QList<View*>& views)
{
    LayoutConstraint::activate(constraintsArray(format, views));
}

QList<LayoutConstraint> View::constraintsArray(const QString& format, const QList<View*>& views)
{
    QHash<QString, View*> named;
    for (qsizetype i = 0; i < views.size(); ++i) {
        if (!views.at(i))
            continue;
        named.insert(QStringLiteral("v%1").arg(i), views.at(i));
        views.at(i)->setTranslatesAutoresizingMaskIntoConstraints(false);
    }
    return LayoutConstraint::constraintsWithVisualFormat(format, named);
}

// --- Animation support --------------------------------------------------------

QVariant View::modelValue(AnimatedProperty property) const
{
    switch (property) {
    case AnimatedProperty::Frame:
        return m_frame;
    case AnimatedProperty::BoundsOrigin:
        return m_boundsOrigin;
    case AnimatedProperty::Alpha:
        return m_alpha;
    case AnimatedProperty::Transform:
        return QVariant::fromValue(m_transform);
    }
    return {};
}

QVariant View::presentedValue(AnimatedProperty property) const
{
    switch (property) {
    case AnimatedProperty::Frame:
        return presentationFrame();
    case AnimatedProperty::BoundsOrigin:
        return m_presentationBoundsOrigin.value_or(m_boundsOrigin);
    case AnimatedProperty::Alpha:
        return m_presentationAlpha.value_or(m_alpha);
    case AnimatedProperty::Transform:
        return QVariant::fromValue(m_presentationTransform.value_or(m_transform));
    }
    return {};
}

void View::setPresentationValue(AnimatedProperty property, const QVariant& value)
{
    switch (property) {
    case AnimatedProperty::Frame:
        m_presentationFrame =
            value.isValid() ? std::optional<QRectF>(value.toRectF()) : std::nullopt;
        applyGeometry();
        break;
    case AnimatedProperty::BoundsOrigin:
        m_presentationBoundsOrigin =
            value.isValid() ? std::optional<QPointF>(value.toPointF()) : std::nullopt;
        applySubviewGeometry();
        update();
        break;
    case AnimatedProperty::Alpha:
        m_presentationAlpha =
            value.isValid() ? std::optional<double>(value.toDouble()) : std::nullopt;
        applyOpacity();
        break;
    case AnimatedProperty::Transform:
        m_presentationTransform =
            value.isValid() ? std::optional<QTransform>(value.value<QTransform>()) : std::nullopt;
        applyGeometry();
        update();
        break;
    }
}

} // namespace kesvor::ui
