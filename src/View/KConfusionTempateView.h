#pragma once

#include "View/KTemplateBlockView.h"
#include "ui/LayoutConstraint.h"

namespace kesvor {

/// The confusion template: between 240 and 280 wide, the prompt, then four
/// rows for up to four left-aligned choices. A shown choice's row is 56, or
/// its title's height (measured at 280) plus 12 when that needs more than
/// 44; a hidden row is 12. Rows are 0.5, 0.5, 1 and 0.5 apart. The first
/// choice may wrap over several lines, the others keep one.
class KConfusionTemplateView : public KTemplateBlockView {
    Q_OBJECT
public:
    KConfusionTemplateView();

    double maxAllowedWidth() const { return m_maxAllowedWidth; }
    double minAllowedWidth() const { return m_minAllowedWidth; }

    void activateButtonsConstraints(int forButtonCount) override;
    /// The vertical chain now in force.
    const QList<ui::LayoutConstraint>& fourButtonConstraints() const
    {
        return m_fourButtonConstraints;
    }

private:
    double rowHeight(int index, double startHeight) const;

    double m_maxAllowedWidth = 280;
    double m_minAllowedWidth = 240;
    QList<ui::LayoutConstraint> m_fourButtonConstraints;
    QList<ui::LayoutConstraint> m_threeButtonConstraints;
    QList<ui::LayoutConstraint> m_twoButtonConstraints;
    QList<ui::LayoutConstraint> m_oneButtonConstraints;
};

} // namespace kesvor
