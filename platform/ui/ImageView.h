#pragma once

#include "ui/Image.h"
#include "ui/View.h"

#include <optional>

namespace kesvor::ui {

/// How an image fills a view's bounds.
enum class ContentMode {
    ScaleToFill,
    ScaleAspectFit,
    /// Fills the bounds keeping the aspect ratio; the overflow is cut off
    /// when the view clips to bounds.
    ScaleAspectFill,
    Center,
};

/// Shows one image. Its intrinsic size is the image's size in points.
/// Takes no touches unless told to.
class ImageView : public View {
    Q_OBJECT
public:
    explicit ImageView(const QRectF& frame = QRectF());
    explicit ImageView(const std::optional<Image>& image);

    const std::optional<Image>& image() const { return m_image; }
    void setImage(const std::optional<Image>& image);
    ContentMode contentMode() const { return m_contentMode; }
    void setContentMode(ContentMode mode);

    QSizeF intrinsicContentSize() const override;
    QSizeF sizeThatFits(const QSizeF& size) const override;

    /// Where the image is drawn for bounds of the given size.
    QRectF imageRect(const QSizeF& boundsSize) const;

protected:
    void draw(QPainter& painter, const QRectF& bounds) override;

private:
    std::optional<Image> m_image;
    ContentMode m_contentMode = ContentMode::ScaleToFill;
};

} // namespace kesvor::ui
