// How a view shows its exact geometry on pixels: widget geometry, masks,
// opacity, painting, and the values animations put on screen.
#include "ui/View.h"

#include "ui/Animator.h"

#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtGui/QResizeEvent>
#include <QtWidgets/QGraphicsOpacityEffect>

namespace kesvor::ui {

namespace {

// Views this transparent no longer take touches.
constexpr double minimumTouchableAlpha = 0.01;

QRectF transformedAboutCenter(const QRectF& frame, const QTransform& transform)
{
    if (transform.isIdentity())
        return frame;
    const QRectF local(-frame.width() / 2, -frame.height() / 2, frame.width(), frame.height());
    return transform.mapRect(local).translated(frame.center());
}

} // namespace

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
    const bool scaled = !transform.isIdentity() && size.width() > 0 && size.height() > 0;
    if (scaled)
        painter.scale(width() / size.width(), height() / size.height());

    // Background and border fill the pixels the view covers, so neighbours
    // meet without blended seams and hairlines show; content is laid out in
    // the exact bounds.
    const QRectF area = scaled ? QRectF(QPointF(), size) : QRectF(rect());
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
        presentationBoundsDidChange();
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
