#include "KCard/KCard.h"

#include "Models/ButtonAction.h"
#include "Models/KCardModel.h"
#include "View/ImageLoader.h"
#include "View/SharedColors.h"
#include "foundation/DebugLog.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

// Layout numbers of the card (points).
constexpr double cardCornerRadius = 4;
constexpr double pictureHeight = 117;
constexpr double titleFontSize = 16;
constexpr double subTitleFontSize = 12;
constexpr int maximumButtons = 3;
constexpr float pictureHeightPriority = 999;

} // namespace

KCard::KCard()
    : m_cardImageView(new ImageLoader)
    , m_labelContainerView(new ui::View)
    , m_titleLabel(new ui::Label)
    , m_subTitleLabel(new ui::Label)
{
    setupViews();
    setupConstraints();
}

void KCard::setupViews()
{
    setBackgroundColor(LIST_BACKGROUND_COLOR);
    setCornerRadius(cardCornerRadius);
    setClipsToBounds(true);
    m_cardImageView->setBackgroundColor(ui::Color::white());
    m_cardImageView->setContentMode(ui::ContentMode::ScaleAspectFill);
    m_cardImageView->setClipsToBounds(true);
    m_labelContainerView->setBackgroundColor(ui::Color::white());
    m_titleLabel->setFont(ui::Font::systemFont(titleFontSize, ui::FontWeight::Bold));
    m_titleLabel->setNumberOfLines(0);
    m_subTitleLabel->setFont(ui::Font::systemFont(subTitleFontSize));
    m_subTitleLabel->setTextColor(ui::Color::darkGray());
    m_subTitleLabel->setNumberOfLines(0);
    addSubview(m_cardImageView);
    addSubview(m_labelContainerView);
    m_labelContainerView->addSubview(m_titleLabel);
    m_labelContainerView->addSubview(m_subTitleLabel);
    for (int tag = 0; tag < maximumButtons; ++tag) {
        auto* button = new ui::Button;
        button->setBackgroundColor(ui::Color::white());
        button->setHidden(true);
        button->setTitleColor(BUTTON_TEXT_COLOR);
        button->setTitleColor(ui::Color::darkGray(), ui::ControlState::Highlighted);
        button->setTag(tag);
        button->addTarget(ui::ControlEvent::TouchUpInside,
                          [this, button](ui::Control*) { buttonClicked(button); });
        addSubview(button);
        m_buttons.append(button);
    }
}

void KCard::setupConstraints()
{
    setTranslatesAutoresizingMaskIntoConstraints(false);
    m_cardImageView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_imageViewHeightConstraint = ui::LayoutConstraint(m_cardImageView, ui::LayoutAttribute::Height,
                                                       ui::LayoutRelation::Equal, nullptr,
                                                       ui::LayoutAttribute::NotAnAttribute, 1.0, 0);
    m_imageViewHeightConstraint.setPriority(pictureHeightPriority);
    m_imageViewHeightConstraint.setActive(true);
    addConstraints(QStringLiteral("H:[v0(==%1)]").arg(cardWidth), {this});
    addConstraints(QStringLiteral("H:|-0-[v0]-0-|"), {m_cardImageView});
    addConstraints(QStringLiteral("H:|-0-[v0]-0-|"), {m_labelContainerView});
    addConstraints(QStringLiteral("V:|-0-[v0]-1-[v1]"), {m_cardImageView, m_labelContainerView});
    addConstraints(QStringLiteral("H:|-12-[v0]-12-|"), {m_titleLabel});
    addConstraints(QStringLiteral("H:|-12-[v0]-12-|"), {m_subTitleLabel});
    m_doubleLabelConstraints = constraintsArray(
        QStringLiteral("V:|-11-[v0(<=60)]-4-[v1(<=80)]-(>=12)-|"), {m_titleLabel, m_subTitleLabel});
    m_singleLabelConstraint = constraintsArray(QStringLiteral("V:|-11-[v0(<=60)]-(>=12)-|"),
                                               {m_titleLabel, m_subTitleLabel});
    for (ui::Button* button : m_buttons)
        addConstraints(QStringLiteral("H:|-0-[v0]-0-|"), {button});
    const auto [one, two, three] = std::tuple(m_buttons[0], m_buttons[1], m_buttons[2]);
    m_threeButtonConstraints =
        constraintsArray(QStringLiteral("V:[v0]-1-[v1(==44)]-1-[v2(==44)]-1-[v3(==44)]-0-|"),
                         {m_labelContainerView, one, two, three});
    m_twoButtonConstraints = constraintsArray(
        QStringLiteral("V:[v0]-1-[v1(==44)]-1-[v2(==44)]-0-|"), {m_labelContainerView, one, two});
    m_oneButtonConstraints =
        constraintsArray(QStringLiteral("V:[v0]-1-[v1(==44)]-0-|"), {m_labelContainerView, one});
    m_noButtonConstraints = constraintsArray(QStringLiteral("V:[v0]-0-|"), {m_labelContainerView});
    ui::LayoutConstraint::activate(m_noButtonConstraints);
}

void KCard::setCardModel(std::shared_ptr<KCardModel> model)
{
    m_cardModel = std::move(model);
    if (!m_cardModel)
        return;
    bind(*m_cardModel);
    setNeedsLayout();
    layoutIfNeeded();
}

void KCard::setCardModel1(std::shared_ptr<KCardModel> model)
{
    m_cardModel1 = std::move(model);
    if (m_cardModel1)
        bind(*m_cardModel1);
}

void KCard::bind(const KCardModel& model)
{
    activateButtonsConstraints(model, model.buttons ? int(model.buttons->size()) : 0);
    m_titleLabel->setText(model.title);
    m_subTitleLabel->setText(model.subTitle.value_or(QString()));
    activateLabelConstraints(!model.subTitle);
    if (!model.imageUrl) {
        m_cardImageView->setImage(std::nullopt);
        m_imageViewHeightConstraint.setConstant(0);
        return;
    }
    m_imageViewHeightConstraint.setConstant(pictureHeight);
    m_cardImageView->loadImageWithUrl(*model.imageUrl);
}

// Shows the first count buttons with their chain; any other count shows none
// and ties the white block to the bottom instead.
void KCard::activateButtonsConstraints(const KCardModel& model, int count)
{
    removeConstraints(m_threeButtonConstraints);
    removeConstraints(m_twoButtonConstraints);
    removeConstraints(m_oneButtonConstraints);
    removeConstraints(m_noButtonConstraints);
    for (ui::Button* button : m_buttons) {
        button->setHidden(true);
        button->setTitle(QString());
    }
    if (count < 1 || count > maximumButtons) {
        if (model.buttons)
            KESVOR_DEBUG_LOG << "Not valid button count " + QString::number(count);
        addConstraints(m_noButtonConstraints);
        return;
    }
    for (int index = 0; index < count; ++index) {
        m_buttons[index]->setHidden(false);
        m_buttons[index]->setTitle((*model.buttons)[index].title());
    }
    addConstraints(count == 3   ? m_threeButtonConstraints
                   : count == 2 ? m_twoButtonConstraints
                                : m_oneButtonConstraints);
}

void KCard::activateLabelConstraints(bool single)
{
    m_labelContainerView->removeConstraints(m_singleLabelConstraint);
    m_labelContainerView->removeConstraints(m_doubleLabelConstraints);
    m_labelContainerView->addConstraints(single ? m_singleLabelConstraint
                                                : m_doubleLabelConstraints);
}

double KCard::getMaxHeight(const QList<std::shared_ptr<KCardModel>>& withCards)
{
    double tallest = 0;
    for (const std::shared_ptr<KCardModel>& model : withCards) {
        KCard card;
        card.setTranslatesAutoresizingMaskIntoConstraints(false);
        card.setCardModel(model);
        tallest = std::max(tallest, card.frame().height());
    }
    return tallest;
}

void KCard::buttonClicked(ui::Button* button)
{
    if (!m_cardModel1 || !m_cardModel1->buttons)
        return;
    const int tag = button->tag();
    if (tag >= 0 && tag < m_cardModel1->buttons->size())
        ButtonAction::perform((*m_cardModel1->buttons)[tag]);
}

} // namespace kesvor
