#include "ui/CollectionReusableView.h"

namespace kesvor::ui {

CollectionReusableView::CollectionReusableView(const QRectF& frame)
    : View(frame)
{
}

} // namespace kesvor::ui
