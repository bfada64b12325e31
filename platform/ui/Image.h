#pragma once

#include "ui/Geometry.h"

#include <QtGui/QImage>

#include <optional>

class QPainter;

namespace kesvor::ui {

/// A bitmap with a size in points (pixels divided by its scale) that can be
/// made resizable: the cap insets stay as they are and the middle stretches.
class Image {
public:
    Image() = default;
    explicit Image(QImage image, double scale = 1.0);

    /// The image in a file; "@2x" in the name marks a scale of 2. Nothing
    /// when the file is missing or not an image.
    static std::optional<Image> fromFile(const QString& path);

    bool isNull() const { return m_image.isNull(); }
    QSizeF size() const;
    double scale() const { return m_scale; }
    const QImage& bitmap() const { return m_image; }

    EdgeInsets capInsets() const { return m_capInsets; }
    /// A copy that keeps insets fixed and stretches the rest.
    Image resizableImage(const EdgeInsets& capInsets) const;

    /// Draws into target, stretching the middle when cap insets are set.
    void draw(QPainter& painter, const QRectF& target) const;

    friend bool operator==(const Image& a, const Image& b)
    {
        return a.m_image == b.m_image && a.m_scale == b.m_scale && a.m_capInsets == b.m_capInsets;
    }

private:
    QImage m_image;
    double m_scale = 1.0;
    EdgeInsets m_capInsets;
};

} // namespace kesvor::ui
