#include "ui/ActivityIndicatorView.h"

#include "ui/Color.h"

#include <QtGui/QPainter>

#include <numbers>

namespace kesvor::ui {

namespace {

constexpr int spokeCount = 12;
// One turn a second.
constexpr int stepIntervalMs = 1000 / spokeCount;
constexpr double smallSide = 20;
constexpr double largeSide = 37;

} // namespace

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style)
    : m_style(style)
{
    setUserInteractionEnabled(false);
    setStyle(style);
    setFrame(QRectF(QPointF(), intrinsicContentSize()));
    m_timer.setTimeout([this] {
        m_phase = (m_phase + 1) % spokeCount;
        update();
    });
    setHidden(true);
}

void ActivityIndicatorView::setStyle(ActivityIndicatorStyle style)
{
    m_style = style;
    m_color = style == ActivityIndicatorStyle::Gray ? Color::gray() : Color::white();
    invalidateIntrinsicContentSize();
    update();
}

void ActivityIndicatorView::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides)
{
    m_hidesWhenStopped = hides;
    if (!isAnimating())
        setHidden(hides);
}

void ActivityIndicatorView::startAnimating()
{
    if (m_animating)
        return;
    m_animating = true;
    setHidden(false);
    updateTimer();
}

void ActivityIndicatorView::stopAnimating()
{
    m_animating = false;
    updateTimer();
    if (m_hidesWhenStopped)
        setHidden(true);
}

void ActivityIndicatorView::showEvent(QShowEvent* event)
{
    View::showEvent(event);
    updateTimer();
}

void ActivityIndicatorView::hideEvent(QHideEvent* event)
{
    View::hideEvent(event);
    m_timer.stop();
}

void ActivityIndicatorView::updateTimer()
{
    // Nothing to see: no steps, no wake-ups.
    const bool turning = m_animating && isVisible();
    if (!turning)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start(stepIntervalMs, true);
}

QSizeF ActivityIndicatorView::intrinsicContentSize() const
{
    const double side = m_style == ActivityIndicatorStyle::WhiteLarge ? largeSide : smallSide;
    return QSizeF(side, side);
}

QSizeF ActivityIndicatorView::sizeThatFits(const QSizeF&) const
{
    return intrinsicContentSize();
}

void ActivityIndicatorView::draw(QPainter& painter, const QRectF& bounds)
{
    const double side = std::min(bounds.width(), bounds.height());
    if (side <= 0)
        return;
    painter.save();
    painter.translate(bounds.center());
    const double outer = side / 2;
    QPen pen(m_color, side / 10, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < spokeCount; ++i) {
        // The spoke at the current phase is fully opaque; the ones behind it fade.
        const int age = (m_phase - i + spokeCount) % spokeCount;
        QColor color = m_color;
        color.setAlphaF(static_cast<float>(1.0 - 0.75 * age / (spokeCount - 1)));
        pen.setColor(color);
        painter.setPen(pen);
        const double angle = 2 * std::numbers::pi * i / spokeCount;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(direction * outer * 0.5, direction * (outer - pen.widthF() / 2));
    }
    painter.restore();
}

} // namespace kesvor::ui
