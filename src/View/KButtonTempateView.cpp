#include "View/KButtonTempateView.h"

#include "ui/Button.h"

namespace kesvor {

KButtonTempateView::KButtonTempateView()
    : KTemplateBlockView(3)
{
    setTranslatesAutoresizingMaskIntoConstraints(false);
    addConstraints(QStringLiteral("H:[v0(==%1)]").arg(viewWidth), {this});
    ui::View* prompt = labelContainerView();
    const auto [one, two, three] = std::tuple(buttons()[0], buttons()[1], buttons()[2]);
    m_threeButtonConstraints =
        constraintsArray(QStringLiteral("V:[v0]-0.5-[v1(==44)]-0.5-[v2(==44)]-1-[v3(==44)]-0-|"),
                         {prompt, one, two, three});
    m_twoButtonConstraints = constraintsArray(
        QStringLiteral("V:[v0]-0.5-[v1(==44)]-0.5-[v2(==44)]-0-|"), {prompt, one, two});
    m_oneButtonConstraints =
        constraintsArray(QStringLiteral("V:[v0]-0.5-[v1(==44)]-0-|"), {prompt, one});
    m_noButtonConstraints = constraintsArray(QStringLiteral("V:[v0]-0-|"), {prompt});
    addConstraints(m_noButtonConstraints);
}

void KButtonTempateView::activateButtonsConstraints(int forButtonCount)
{
    removeConstraints(m_threeButtonConstraints);
    removeConstraints(m_twoButtonConstraints);
    removeConstraints(m_oneButtonConstraints);
    removeConstraints(m_noButtonConstraints);
    if (!showButtons(forButtonCount)) {
        addConstraints(m_noButtonConstraints);
        return;
    }
    addConstraints(forButtonCount == 3   ? m_threeButtonConstraints
                   : forButtonCount == 2 ? m_twoButtonConstraints
                                         : m_oneButtonConstraints);
}

} // namespace kesvor
