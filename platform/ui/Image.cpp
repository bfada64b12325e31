#include "ui/Image.h"

#include <QtCore/QFileInfo>
#include <QtGui/QPainter>

namespace kesvor::ui {

Image::Image(QImage image, double scale)
    : m_image(std::move(image))
    , m_scale(scale > 0 ? scale : 1.0)
{
}

std::optional<Image> Image::fromFile(const QString& path)
{
    QImage bitmap(path);
    if (bitmap.isNull())
        return std::nullopt;
    const double scale = QFileInfo(path).completeBaseName().endsWith(QLatin1String("@2x")) ? 2 : 1;
    return Image(std::move(bitmap), scale);
}

QSizeF Image::size() const
{
    return QSizeF(m_image.width() / m_scale, m_image.height() / m_scale);
}

Image Image::resizableImage(const EdgeInsets& capInsets) const
{
    Image copy = *this;
    copy.m_capInsets = capInsets;
    return copy;
}

void Image::draw(QPainter& painter, const QRectF& target) const
{
    if (isNull() || target.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_capInsets == EdgeInsets{}) {
        painter.drawImage(target, m_image);
        painter.restore();
        return;
    }
    // Nine slices: corners keep their size, edges stretch along one axis and
    // the middle along both.
    const EdgeInsets& c = m_capInsets;
    const double sourceX[] = {0, c.left, size().width() - c.right, size().width()};
    const double sourceY[] = {0, c.top, size().height() - c.bottom, size().height()};
    const double targetX[] = {target.left(), target.left() + c.left, target.right() - c.right,
                              target.right()};
    const double targetY[] = {target.top(), target.top() + c.top, target.bottom() - c.bottom,
                              target.bottom()};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF to(QPointF(targetX[column], targetY[row]),
                            QPointF(targetX[column + 1], targetY[row + 1]));
            const QRectF from(QPointF(sourceX[column] * m_scale, sourceY[row] * m_scale),
                              QPointF(sourceX[column + 1] * m_scale, sourceY[row + 1] * m_scale));
            if (to.width() > 0 && to.height() > 0 && from.width() > 0 && from.height() > 0)
                painter.drawImage(to, m_image, from);
        }
    }
    painter.restore();
}

} // namespace kesvor::ui
