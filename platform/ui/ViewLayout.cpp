// The layout pass of a view tree and a view's part in constraint layout.
#include "ui/View.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/Animator.h"
#include "ui/LayoutEngine.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>

namespace kesvor::ui {

namespace {

// More rounds than this in one layout pass means layoutSubviews() overrides
// keep invalidating each other; the pass stops rather than spin.
constexpr int maxLayoutRounds = 16;

void collectPendingLayout(View* view, QList<QPointer<View>>& pending)
{
    if (view->needsLayout())
        pending.append(view);
    for (View* subview : view->subviews())
        collectPendingLayout(subview, pending);
}

} // namespace

// --- Layout -------------------------------------------------------------------

bool View::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) {
        m_layoutRequested = false;
        if (!superview())
            layoutIfNeeded();
    }
    return QWidget::event(event);
}

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

} // namespace kesvor::ui
