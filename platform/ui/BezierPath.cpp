#include "ui/BezierPath.h"

#include <algorithm>

namespace kesvor::ui::BezierPath {

QPainterPath roundedRect(const QRectF& rect, RectCorners corners, double radius)
{
    QPainterPath path;
    const QRectF r = rect.normalized();
    const double cap = std::clamp(radius, 0.0, std::min(r.width(), r.height()) / 2);
    const auto radiusOf = [&](RectCorner corner) { return corners.testFlag(corner) ? cap : 0.0; };
    const double topLeft = radiusOf(RectCorner::TopLeft);
    const double topRight = radiusOf(RectCorner::TopRight);
    const double bottomRight = radiusOf(RectCorner::BottomRight);
    const double bottomLeft = radiusOf(RectCorner::BottomLeft);

    // Clockwise from the end of the top-left arc; arcTo angles are in
    // degrees, counter-clockwise from three o'clock.
    path.moveTo(r.left() + topLeft, r.top());
    path.lineTo(r.right() - topRight, r.top());
    if (topRight > 0)
        path.arcTo(QRectF(r.right() - 2 * topRight, r.top(), 2 * topRight, 2 * topRight), 90, -90);
    path.lineTo(r.right(), r.bottom() - bottomRight);
    if (bottomRight > 0)
        path.arcTo(QRectF(r.right() - 2 * bottomRight, r.bottom() - 2 * bottomRight,
                          2 * bottomRight, 2 * bottomRight),
                   0, -90);
    path.lineTo(r.left() + bottomLeft, r.bottom());
    if (bottomLeft > 0)
        path.arcTo(QRectF(r.left(), r.bottom() - 2 * bottomLeft, 2 * bottomLeft, 2 * bottomLeft),
                   270, -90);
    path.lineTo(r.left(), r.top() + topLeft);
    if (topLeft > 0)
        path.arcTo(QRectF(r.left(), r.top(), 2 * topLeft, 2 * topLeft), 180, -90);
    path.closeSubpath();
    return path;
}

} // namespace kesvor::ui::BezierPath
