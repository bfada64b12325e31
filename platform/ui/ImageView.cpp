#include "ui/ImageView.h"

#include <QtGui/QPainter>

namespace kesvor::ui {

ImageView::ImageView(const QRectF& frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
}

ImageView::ImageView(const std::optional<Image>& image)
    : ImageView(QRectF())
{
    setImage(image);
    if (m_image)
        setFrame(QRectF(QPointF(), m_image->size()));
}

void ImageView::setImage(const std::optional<Image>& image)
{
    if (image && image->isNull()) {
        setImage(std::nullopt);
        return;
    }
    const bool sizeChanged =
        (m_image ? m_image->size() : QSizeF()) != (image ? image->size() : QSizeF());
    m_image = image;
    if (sizeChanged)
        invalidateIntrinsicContentSize();
    update();
}

void ImageView::setContentMode(ContentMode mode)
{
    m_contentMode = mode;
    update();
}

QSizeF ImageView::intrinsicContentSize() const
{
    if (!m_image)
        return QSizeF(noIntrinsicMetric, noIntrinsicMetric);
    return m_image->size();
}

QSizeF ImageView::sizeThatFits(const QSizeF&) const
{
    return m_image ? m_image->size() : QSizeF(0, 0);
}

QRectF ImageView::imageRect(const QSizeF& boundsSize) const
{
    const QRectF area(QPointF(), boundsSize);
    if (!m_image || m_image->size().isEmpty())
        return area;
    const QSizeF natural = m_image->size();
    QSizeF drawn = natural;
    switch (m_contentMode) {
    case ContentMode::ScaleToFill:
        return area;
    case ContentMode::ScaleAspectFit:
        drawn = natural.scaled(boundsSize, Qt::KeepAspectRatio);
        break;
    case ContentMode::ScaleAspectFill:
        drawn = natural.scaled(boundsSize, Qt::KeepAspectRatioByExpanding);
        break;
    case ContentMode::Center:
        break;
    }
    QRectF rect(QPointF(), drawn);
    rect.moveCenter(area.center());
    return rect;
}

void ImageView::draw(QPainter& painter, const QRectF& bounds)
{
    if (!m_image)
        return;
    m_image->draw(painter, imageRect(bounds.size()).translated(bounds.topLeft()));
}

} // namespace kesvor::ui
