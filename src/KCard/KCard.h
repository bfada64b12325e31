#pragma once

#include "ui/LayoutConstraint.h"
#include "ui/View.h"

#include <QtCore/QList>

#include <memory>

namespace kesvor {

namespace ui {
class Button;
class Label;
} // namespace ui

class ImageLoader;
class KCardModel;

/// One card of a carousel, 250 wide: an optional 117-point picture, a white
/// block with the bold title (at most 60 high) and the subtitle (at most 80),
/// and one to three 44-point buttons, separated by 1-point lines of the grey
/// card background. Its height is the smallest its content allows.
class KCard : public ui::View {
    Q_OBJECT
public:
    static constexpr double cardWidth = 250;

    KCard();

    /// Binds for measuring: the frame reflects the model when this returns.
    std::shared_ptr<KCardModel> cardModel() const { return m_cardModel; }
    void setCardModel(std::shared_ptr<KCardModel> model);
    /// Binds for display, laid out with the next pass; taps act on this model.
    std::shared_ptr<KCardModel> cardModel1() const { return m_cardModel1; }
    void setCardModel1(std::shared_ptr<KCardModel> model);

    QSizeF getSize() const { return frame().size(); }
    /// The height of the tallest card, each measured by a card of its own;
    /// 0 without cards.
    static double getMaxHeight(const QList<std::shared_ptr<KCardModel>>& withCards);

    void buttonClicked(ui::Button* button);

    ImageLoader* cardImageView() const { return m_cardImageView; }
    ui::View* labelContainerView() const { return m_labelContainerView; }
    ui::Label* titleLabel() const { return m_titleLabel; }
    ui::Label* subTitleLabel() const { return m_subTitleLabel; }
    ui::Button* button1() const { return m_buttons[0]; }
    ui::Button* button2() const { return m_buttons[1]; }
    ui::Button* button3() const { return m_buttons[2]; }
    ui::LayoutConstraint imageViewHeightConstraint() const { return m_imageViewHeightConstraint; }

private:
    void setupViews();
    void setupConstraints();
    void bind(const KCardModel& model);
    void activateButtonsConstraints(const KCardModel& model, int count);
    void activateLabelConstraints(bool single);

    std::shared_ptr<KCardModel> m_cardModel;
    std::shared_ptr<KCardModel> m_cardModel1;
    ImageLoader* m_cardImageView;
    ui::View* m_labelContainerView;
    ui::Label* m_titleLabel;
    ui::Label* m_subTitleLabel;
    QList<ui::Button*> m_buttons;
    ui::LayoutConstraint m_imageViewHeightConstraint;
    QList<ui::LayoutConstraint> m_threeButtonConstraints;
    QList<ui::LayoutConstraint> m_twoButtonConstraints;
    QList<ui::LayoutConstraint> m_oneButtonConstraints;
    // Ties the white block to the bottom when no button is shown.
    QList<ui::LayoutConstraint> m_noButtonConstraints;
    QList<ui::LayoutConstraint> m_singleLabelConstraint;
    QList<ui::LayoutConstraint> m_doubleLabelConstraints;
};

} // namespace kesvor
