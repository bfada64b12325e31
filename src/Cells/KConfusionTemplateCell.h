#pragma once

#include "Cells/TimedCell.h"

#include <memory>

namespace kesvor {

class KButtonTempateModel;
class KConfusionTemplateView;

/// A confusion template message in the list: the block above its time.
/// Reuse identifier "confusion".
class KConfusionTemplateCell : public TimedCell {
    Q_OBJECT
public:
    explicit KConfusionTemplateCell(const QRectF& frame = QRectF());

    std::shared_ptr<KButtonTempateModel> buttonTemplateModel() const { return m_model; }
    /// Binds the block to model.
    void setButtonTemplateModel(std::shared_ptr<KButtonTempateModel> model);
    KConfusionTemplateView* confusionTemplateView() const { return m_view; }

private:
    std::shared_ptr<KButtonTempateModel> m_model;
    KConfusionTemplateView* m_view;
};

} // namespace kesvor
