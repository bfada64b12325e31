#include "Cells/KButtonTemplateCell.h"

#include "View/KButtonTempateView.h"

namespace kesvor {

KButtonTemplateCell::KButtonTemplateCell(const QRectF& frame)
    : TimedCell(frame)
    , m_view(new KButtonTempateView)
{
    placeBlockAboveTime(m_view);
}

void KButtonTemplateCell::setButtonTemplateModel(std::shared_ptr<KButtonTempateModel> model)
{
    m_model = model;
    m_view->setButtonTemplateModel(std::move(model));
}

} // namespace kesvor
