#pragma once

#include <QtCore/QFlags>
#include <QtCore/QRect>
#include <QtCore/QRectF>

#include <algorithm>
#include <cmath>

namespace kesvor::ui {

/// Insets from the four edges of a rectangle, in points.
struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;

    /// rect shrunk by the insets (grown where they are negative).
    QRectF inset(const QRectF& rect) const { return rect.adjusted(left, top, -right, -bottom); }
};

/// Corners of a rectangle, for paths that round only some of them.
enum class RectCorner {
    TopLeft = 0x1,
    TopRight = 0x2,
    BottomLeft = 0x4,
    BottomRight = 0x8,
    AllCorners = 0xF,
};
Q_DECLARE_FLAGS(RectCorners, RectCorner)
Q_DECLARE_OPERATORS_FOR_FLAGS(RectCorners)

/// Exact comparisons: Qt's own operators on floating-point geometry allow
/// for rounding, and frames here are meant to be exact.
inline bool exactlyEqual(const QSizeF& a, const QSizeF& b)
{
    return a.width() == b.width() && a.height() == b.height();
}

inline bool exactlyEqual(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && exactlyEqual(a.size(), b.size());
}

inline bool isFinite(const QRectF& rect)
{
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height());
}

/// The two axes a size or a priority applies to.
enum class LayoutAxis { Horizontal, Vertical };

/// A coordinate rounded to the pixel grid; halves go up, so that adjacent
/// edges that meet at x.5 stay adjacent after rounding.
inline int snapToPixel(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

/// The pixel rectangle a floating-point rectangle is drawn in: each edge is
/// rounded on its own, so rectangles that touch exactly still touch.
inline QRect snapEdgesToPixels(const QRectF& rect)
{
    const int left = snapToPixel(rect.left());
    const int top = snapToPixel(rect.top());
    return QRect(left, top, std::max(0, snapToPixel(rect.right()) - left),
                 std::max(0, snapToPixel(rect.bottom()) - top));
}

/// As snapEdgesToPixels(), except that a side that is not empty keeps at
/// least one pixel, the one its centre lies in, so hairlines stay visible.
inline QRect snapToPixels(const QRectF& rect)
{
    QRect pixels = snapEdgesToPixels(rect);
    if (rect.width() > 0 && pixels.width() == 0)
        pixels.setRect(static_cast<int>(std::floor(rect.center().x())), pixels.y(), 1,
                       pixels.height());
    if (rect.height() > 0 && pixels.height() == 0)
        pixels.setRect(pixels.x(), static_cast<int>(std::floor(rect.center().y())), pixels.width(),
                       1);
    return pixels;
}

} // namespace kesvor::ui
