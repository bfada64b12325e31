#include "ui/ScrollView.h"

#include "ui/Color.h"
#include "ui/ScrollViewDrag.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QWheelEvent>

namespace kesvor::ui {

namespace {

// Resting after a programmatic scroll or a drag without speed.
constexpr double settleDuration = 0.3;
// Bounds of a glide after a drag.
constexpr double shortestGlide = 0.2;
constexpr double longestGlide = 1.0;
// Speed kept per millisecond while gliding: a drag released at v points
// per millisecond travels v × rate / (1 − rate) points further.
constexpr double decelerationRate = 0.998;
// The ease-out curve starts at this many times its average speed; a glide
// lasts long enough for that to match the speed the drag ended with.
constexpr double easeOutInitialSlope = 1 / 0.58;
// One wheel notch (120 units) scrolls this many points.
constexpr double pointsPerNotch = 40;

// Scroll indicators.
constexpr double indicatorThickness = 3;
constexpr double indicatorMargin = 2;
constexpr double indicatorMinimumLength = 24;
constexpr int indicatorVisibleMs = 500;
constexpr double indicatorFadeDuration = 0.25;

double along(const QPointF& point, int axis)
{
    return axis == 0 ? point.x() : point.y();
}

double along(const QSizeF& size, int axis)
{
    return axis == 0 ? size.width() : size.height();
}

} // namespace

ScrollView::ScrollView(const QRectF& frame)
    : View(frame)
{
    setClipsToBounds(true);
    // Follows presses on controls inside scroll views from now on.
    ScrollViewDrag::shared();
    m_indicatorFade.setSingleShot(true);
    m_indicatorFade.setInterval(indicatorVisibleMs);
    connect(&m_indicatorFade, &QTimer::timeout, this, &ScrollView::fadeIndicators);
}

void ScrollView::setContentSize(const QSizeF& size)
{
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()))
        return;
    m_contentSize = size.expandedTo(QSizeF(0, 0));
}

void ScrollView::setContentInset(const EdgeInsets& inset)
{
    for (double edge : {inset.top, inset.left, inset.bottom, inset.right})
        if (!std::isfinite(edge))
            return;
    if (inset == m_contentInset)
        return;
    const EdgeInsets previous = m_contentInset;
    m_contentInset = inset;
    contentInsetDidChange(previous);
}

void ScrollView::contentInsetDidChange(const EdgeInsets&) {}

void ScrollView::setShowsHorizontalScrollIndicator(bool shows)
{
    m_showsIndicator[0] = shows;
    if (!shows && m_indicators[0])
        m_indicators[0]->setHidden(true);
}

void ScrollView::setShowsVerticalScrollIndicator(bool shows)
{
    m_showsIndicator[1] = shows;
    if (!shows && m_indicators[1])
        m_indicators[1]->setHidden(true);
}

QPointF ScrollView::minimumContentOffset() const
{
    return QPointF(-m_contentInset.left, -m_contentInset.top);
}

QPointF ScrollView::maximumContentOffset() const
{
    const QPointF minimum = minimumContentOffset();
    return QPointF(
        std::max(minimum.x(), m_contentSize.width() + m_contentInset.right - frame().width()),
        std::max(minimum.y(), m_contentSize.height() + m_contentInset.bottom - frame().height()));
}

QPointF ScrollView::clamped(const QPointF& offset) const
{
    const QPointF minimum = minimumContentOffset();
    const QPointF maximum = maximumContentOffset();
    return QPointF(std::clamp(offset.x(), minimum.x(), maximum.x()),
                   std::clamp(offset.y(), minimum.y(), maximum.y()));
}

void ScrollView::moveContent(const QPointF& offset)
{
    if (!std::isfinite(offset.x()) || !std::isfinite(offset.y()) || offset == contentOffset())
        return;
    setBounds(QRectF(offset, frame().size()));
    flashIndicators();
    Q_EMIT didScroll();
}

void ScrollView::setContentOffset(const QPointF& offset, bool animated)
{
    if (!animated) {
        moveContent(offset);
        return;
    }
    const QPointer<ScrollView> self = this;
    animate(
        settleDuration, [this, offset] { moveContent(offset); },
        [self](bool) {
            if (self)
                Q_EMIT self->didEndScrollingAnimation();
        });
}

void ScrollView::scrollRectToVisible(const QRectF& rect, bool animated)
{
    QPointF offset = contentOffset();
    const QSizeF size = frame().size();
    if (rect.right() > offset.x() + size.width())
        offset.setX(rect.right() - size.width());
    if (rect.left() < offset.x())
        offset.setX(rect.left());
    if (rect.bottom() > offset.y() + size.height())
        offset.setY(rect.bottom() - size.height());
    if (rect.top() < offset.y())
        offset.setY(rect.top());
    setContentOffset(clamped(offset), animated);
}

void ScrollView::presentationBoundsDidChange()
{
    placeIndicators();
}

// --- Gestures -----------------------------------------------------------------

void ScrollView::stopAtShownOffset()
{
    m_decelerating = false;
    ++m_glide;
    const QPointF shown = presentationBounds().topLeft();
    if (shown != contentOffset())
        moveContent(shown);
}

void ScrollView::beginDragging()
{
    stopAtShownOffset();
    m_dragging = true;
    m_dragStartOffset = contentOffset();
    if (m_keyboardDismissMode != KeyboardDismissMode::None)
        endEditing();
    Q_EMIT willBeginDragging();
}

void ScrollView::dragBy(const QPointF& translation)
{
    if (!m_dragging)
        return;
    // Content follows the pointer: dragging left moves the offset right.
    moveContent(clamped(m_dragStartOffset - translation));
}

void ScrollView::endDragging(const QPointF& velocity)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    const QPointF speed(std::isfinite(velocity.x()) ? velocity.x() : 0,
                        std::isfinite(velocity.y()) ? velocity.y() : 0);
    const QPointF start = contentOffset();
    QPointF target = start + speed * (decelerationRate / (1 - decelerationRate));
    target = clamped(target);
    Q_EMIT willEndDragging(speed, &target);
    target = clamped(target);
    const bool decelerate = target != start;
    Q_EMIT didEndDragging(decelerate);
    if (!decelerate)
        return;

    // A glide that starts at the speed the drag ended with, where it is
    // heading the same way; otherwise a plain settle.
    const int axis = std::abs(target.x() - start.x()) >= std::abs(target.y() - start.y()) ? 0 : 1;
    const double distance = along(target, axis) - along(start, axis);
    const double towards = along(speed, axis) * (distance > 0 ? 1 : -1);
    const double duration =
        towards > 0 ? std::clamp(easeOutInitialSlope * std::abs(distance) / towards / 1000,
                                 shortestGlide, longestGlide)
                    : settleDuration;
    m_decelerating = true;
    const int glide = ++m_glide;
    const QPointer<ScrollView> self = this;
    animate(
        duration, AnimationOptions{0, AnimationCurve::EaseOut},
        [this, target] { moveContent(target); },
        [self, glide](bool finished) {
            // A glide cut short by a later scroll ends quietly.
            if (!self || glide != self->m_glide)
                return;
            self->m_decelerating = false;
            if (finished)
                Q_EMIT self->didEndDecelerating();
        });
}

void ScrollView::wheelEvent(QWheelEvent* event)
{
    if (!m_scrollEnabled) {
        event->ignore();
        return;
    }
    QPointF delta = event->pixelDelta().isNull()
                        ? QPointF(event->angleDelta()) / 120.0 * pointsPerNotch
                        : QPointF(event->pixelDelta());
    // A plain wheel turns a strip that only scrolls sideways.
    const bool onlySideways = maximumContentOffset().y() == minimumContentOffset().y();
    if (onlySideways && delta.x() == 0)
        delta = QPointF(delta.y(), 0);
    stopAtShownOffset();
    const QPointF target = clamped(contentOffset() - delta);
    if (target == contentOffset()) {
        event->ignore();
        return;
    }
    event->accept();
    moveContent(target);
}

void ScrollView::mousePressEvent(QMouseEvent* event)
{
    if (!m_scrollEnabled || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    ScrollViewDrag::shared().press(this, event->globalPosition());
}

void ScrollView::mouseMoveEvent(QMouseEvent* event)
{
    ScrollViewDrag::shared().move(event->globalPosition());
}

void ScrollView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ScrollViewDrag::shared().release();
}

// --- Indicators ---------------------------------------------------------------

View* ScrollView::makeIndicator()
{
    auto* indicator = new View;
    indicator->setBackgroundColor(Color::white(0, 0.35));
    indicator->setCornerRadius(indicatorThickness / 2);
    indicator->setUserInteractionEnabled(false);
    addSubview(indicator);
    return indicator;
}

void ScrollView::flashIndicators()
{
    bool shown = false;
    for (int axis = 0; axis < 2; ++axis) {
        const bool scrolls =
            along(maximumContentOffset(), axis) > along(minimumContentOffset(), axis);
        if (!m_showsIndicator[axis] || !scrolls) {
            if (m_indicators[axis])
                m_indicators[axis]->setHidden(true);
            continue;
        }
        if (!m_indicators[axis])
            m_indicators[axis] = makeIndicator();
        View* indicator = m_indicators[axis];
        indicator->setHidden(false);
        indicator->setAlpha(1);
        bringSubviewToFront(indicator);
        shown = true;
    }
    placeIndicators();
    if (shown)
        m_indicatorFade.start();
}

void ScrollView::placeIndicators()
{
    // Indicators live in content coordinates: placed against the offset
    // that is drawn, they stay put on screen while the content moves.
    const QRectF shown = presentationBounds();
    const QPointF minimum = minimumContentOffset();
    const QPointF maximum = maximumContentOffset();
    for (int axis = 0; axis < 2; ++axis) {
        View* indicator = m_indicators[axis];
        if (!indicator || indicator->isHidden())
            continue;
        const double track = along(shown.size(), axis) - 2 * indicatorMargin;
        const double range = along(maximum, axis) - along(minimum, axis);
        const double visible = along(shown.size(), axis);
        const double length = std::clamp(track * visible / (visible + range),
                                         std::min(indicatorMinimumLength, track), track);
        const double progress =
            range > 0 ? std::clamp((along(shown.topLeft(), axis) - along(minimum, axis)) / range,
                                   0.0, 1.0)
                      : 0.0;
        const double start = indicatorMargin + progress * (track - length);
        const QRectF frame =
            axis == 0 ? QRectF(start, shown.height() - indicatorMargin - indicatorThickness, length,
                               indicatorThickness)
                      : QRectF(shown.width() - indicatorMargin - indicatorThickness, start,
                               indicatorThickness, length);
        performWithoutAnimation([&] { indicator->setFrame(frame.translated(shown.topLeft())); });
    }
}

void ScrollView::fadeIndicators()
{
    if (m_dragging || m_decelerating) {
        m_indicatorFade.start();
        return;
    }
    const QList<QPointer<View>> indicators{m_indicators[0], m_indicators[1]};
    animate(
        indicatorFadeDuration,
        [indicators] {
            for (const QPointer<View>& indicator : indicators)
                if (indicator)
                    indicator->setAlpha(0);
        },
        [indicators](bool finished) {
            for (const QPointer<View>& indicator : indicators)
                if (finished && indicator && indicator->alpha() == 0)
                    indicator->setHidden(true);
        });
}

} // namespace kesvor::ui
