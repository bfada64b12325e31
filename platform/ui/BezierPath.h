#pragma once

#include "ui/Geometry.h"

#include <QtGui/QPainterPath>

namespace kesvor::ui::BezierPath {

/// A rectangle whose chosen corners are rounded with circular arcs of the
/// given radius (at most half the shorter side); the others stay square.
QPainterPath roundedRect(const QRectF& rect, RectCorners corners, double radius);

} // namespace kesvor::ui::BezierPath
