#pragma once

#include "Cells/TimedCell.h"

#include <memory>

namespace kesvor {

class KButtonTempateModel;
class KButtonTempateView;

/// A button template message in the list: the block above its time. Reuse
/// identifier "buttonTemplate".
class KButtonTemplateCell : public TimedCell {
    Q_OBJECT
public:
    explicit KButtonTemplateCell(const QRectF& frame = QRectF());

    std::shared_ptr<KButtonTempateModel> buttonTemplateModel() const { return m_model; }
    /// Binds the block to model.
    void setButtonTemplateModel(std::shared_ptr<KButtonTempateModel> model);
    KButtonTempateView* buttonTemplateView() const { return m_view; }

private:
    std::shared_ptr<KButtonTempateModel> m_model;
    KButtonTempateView* m_view;
};

} // namespace kesvor
