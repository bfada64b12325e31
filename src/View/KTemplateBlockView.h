#pragma once

#include "ui/View.h"

#include <QtCore/QList>

#include <memory>

namespace kesvor {

namespace ui {
class Button;
class Label;
} // namespace ui

class KButtonTempateModel;

/// What the button and confusion templates share: a grey block with rounded
/// corners, the bold prompt on white at its top (11 above, 12 below, at most
/// 50 high) and full-width white buttons below it, which act on the bound
/// model. Subclasses chain the buttons under the prompt.
class KTemplateBlockView : public ui::View {
    Q_OBJECT
public:
    std::shared_ptr<KButtonTempateModel> buttonTemplateModel() const { return m_model; }
    /// Binds the view: the button rule for the model's button count and the
    /// prompt; a block without a superview is laid out at once, so that its
    /// frame can be measured. A null model is ignored.
    void setButtonTemplateModel(std::shared_ptr<KButtonTempateModel> model);

    /// Shows the bound model's first count buttons and chains them under
    /// the prompt.
    virtual void activateButtonsConstraints(int forButtonCount) = 0;

    QSizeF getSize() const { return frame().size(); }
    void buttonClicked(ui::Button* button);

    ui::View* labelContainerView() const { return m_labelContainerView; }
    ui::Label* titleLabel() const { return m_titleLabel; }
    const QList<ui::Button*>& buttons() const { return m_buttons; }

protected:
    explicit KTemplateBlockView(int buttonCount);

    /// Hides every button and takes its title away, then shows the first
    /// count with the model's titles; false (nothing shown) for a count
    /// outside 1 to the number of buttons.
    bool showButtons(int count);

private:
    std::shared_ptr<KButtonTempateModel> m_model;
    ui::View* m_labelContainerView;
    ui::Label* m_titleLabel;
    QList<ui::Button*> m_buttons;
};

} // namespace kesvor
