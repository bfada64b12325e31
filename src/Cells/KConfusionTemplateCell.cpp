#include "Cells/KConfusionTemplateCell.h"

#include "View/KConfusionTempateView.h"

namespace kesvor {

KConfusionTemplateCell::KConfusionTemplateCell(const QRectF& frame)
    : TimedCell(frame)
    , m_view(new KConfusionTemplateView)
{
    placeBlockAboveTime(m_view);
}

void KConfusionTemplateCell::setButtonTemplateModel(std::shared_ptr<KButtonTempateModel> model)
{
    m_model = model;
    m_view->setButtonTemplateModel(std::move(model));
}

} // namespace kesvor
