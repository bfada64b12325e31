#pragma once

#include "View/KTemplateBlockView.h"
#include "ui/LayoutConstraint.h"

namespace kesvor {

/// The button template: 240 wide, the prompt, then one to three 44-point
/// buttons, 0.5, 0.5 and 1 point apart. A count outside 1 to 3 shows the
/// prompt alone.
class KButtonTempateView : public KTemplateBlockView {
    Q_OBJECT
public:
    static constexpr double viewWidth = 240;

    KButtonTempateView();

    void activateButtonsConstraints(int forButtonCount) override;

private:
    QList<ui::LayoutConstraint> m_threeButtonConstraints;
    QList<ui::LayoutConstraint> m_twoButtonConstraints;
    QList<ui::LayoutConstraint> m_oneButtonConstraints;
    // Ties the prompt to the bottom when no button is shown.
    QList<ui::LayoutConstraint> m_noButtonConstraints;
};

} // namespace kesvor
