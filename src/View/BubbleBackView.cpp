#include "View/BubbleBackView.h"

#include "ui/BezierPath.h"

namespace kesvor {

BubbleBackView::BubbleBackView(BubbleCellType withType)
    : m_type(withType)
{
    setMaskLayerPath(m_type);
}

void BubbleBackView::setMaskLayerPath(BubbleCellType forType)
{
    using ui::RectCorner;
    const ui::RectCorners corners =
        forType == BubbleCellType::left
            ? RectCorner::TopLeft | RectCorner::TopRight | RectCorner::BottomRight
            : RectCorner::TopLeft | RectCorner::TopRight | RectCorner::BottomLeft;
    setMaskPath(ui::BezierPath::roundedRect(bounds(), corners, maskCornerRadius));
}

void BubbleBackView::layoutSubviews()
{
    View::layoutSubviews();
    setMaskLayerPath(m_type);
}

} // namespace kesvor
