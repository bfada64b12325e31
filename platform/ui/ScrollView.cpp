#include "ScrollView.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>

namespace kesvor::ui {

namespace {

// A press becomes a drag after moving this far.
constexpr double dragThreshold = 4;
// Resting after a drag or a programmatic scroll.
constexpr double settleDuration = 0.3;
// One wheel notch (120 units) scrolls this many points.
constexpr double pointsPerNotch = 40;

} // namespace

ScrollView::ScrollView(const QRectF& frame)
    : View(frame)
{
    setClipsToBounds(true);
}

void ScrollView::setContentSize(const QSizeF& size)
{
    m_contentSize = size;
}

void ScrollView::setContentInset(const EdgeInsets& inset)
{
    m_contentInset = inset;
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
    if (offset == contentOffset())
        return;
    setBounds(QRectF(offset, frame().size()));
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

void ScrollView::wheelEvent(QWheelEvent* event)
{
    if (!m_scrollEnabled) {
        event->ignore();
        return;
    }
    QPointF delta = event->pixelDelta().isNull()
                        ? QPointF(event->angleDelta()) / 120.0 * pointsPerNotch
                        : QPointF(event->pixelDelta());
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
    m_pressed = true;
    m_dragging = false;
    m_pressPosition = event->position();
    m_lastPosition = m_pressPosition;
    m_pressOffset = contentOffset();
    m_velocity = QPointF();
    m_moveClock.start();
}

void ScrollView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    const QPointF position = event->position();
    if (!m_dragging) {
        if ((position - m_pressPosition).manhattanLength() < dragThreshold)
            return;
        m_dragging = true;
        if (m_keyboardDismissMode != KeyboardDismissMode::None)
            if (QWidget* focused = QApplication::focusWidget(); focused && isAncestorOf(focused))
                focused->clearFocus();
        Q_EMIT willBeginDragging();
    }
    const double elapsed = std::max<qint64>(1, m_moveClock.restart());
    // Content follows the pointer: dragging left moves the offset right.
    m_velocity = (m_lastPosition - position) / elapsed;
    m_lastPosition = position;
    moveContent(clamped(m_pressOffset + (m_pressPosition - position)));
}

void ScrollView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressed || event->button() != Qt::LeftButton)
        return;
    m_pressed = false;
    if (!m_dragging)
        return;
    m_dragging = false;
    QPointF target = contentOffset();
    Q_EMIT willEndDragging(m_velocity, &target);
    target = clamped(target);
    const bool decelerate = target != contentOffset();
    Q_EMIT didEndDragging(decelerate);
    if (!decelerate)
        return;
    const QPointer<ScrollView> self = this;
    animate(
        settleDuration, AnimationOptions{0, AnimationCurve::EaseOut},
        [this, target] { moveContent(target); },
        [self](bool) {
            if (self)
                Q_EMIT self->didEndDecelerating();
        });
}

} // namespace kesvor::ui
