#include "View/KConfusionTempateView.h"

#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TextMeasure.h"

namespace kesvor {

namespace {

// Layout numbers of the choices (points).
constexpr double buttonHeight = 44;
constexpr double rowPadding = 12;
constexpr double titleLeftInset = 10;
constexpr int choiceCount = 4;

// A length as the chain writes it: always with a fractional part.
QString decimal(double value)
{
    return value == std::floor(value) ? QString::number(value, 'f', 1)
                                      : QString::number(value, 'g', 17);
}

} // namespace

KConfusionTemplateView::KConfusionTemplateView()
    : KTemplateBlockView(choiceCount)
{
    setTranslatesAutoresizingMaskIntoConstraints(false);
    for (ui::Button* button : buttons()) {
        button->titleLabel()->setLineBreakMode(ui::LineBreakMode::WordWrap);
        button->setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Left);
        button->setTitleEdgeInsets({0, titleLeftInset, 0, 0});
        button->titleLabel()->setTextAlignment(button->tag() == choiceCount - 1 ? Qt::AlignJustify
                                                                                : Qt::AlignLeft);
    }
    buttons()[0]->titleLabel()->setNumberOfLines(0);
    addConstraints(QStringLiteral("H:[v0(<=%1)]").arg(decimal(m_maxAllowedWidth)), {this});
    addConstraints(QStringLiteral("H:[v0(>=%1)]").arg(decimal(m_minAllowedWidth)), {this});
    ui::View* prompt = labelContainerView();
    const QList<ui::Button*>& rows = buttons();
    m_threeButtonConstraints =
        constraintsArray(QStringLiteral("V:[v0]-0.5-[v1(>=44)]-0.5-[v2(>=44)]-1-[v3(>=44)]-0-|"),
                         {prompt, rows[0], rows[1], rows[2]});
    m_twoButtonConstraints = constraintsArray(
        QStringLiteral("V:[v0]-0.5-[v1(>=44)]-0.5-[v2(>=44)]-0-|"), {prompt, rows[0], rows[1]});
    m_oneButtonConstraints =
        constraintsArray(QStringLiteral("V:[v0]-0.5-[v1(>=44)]-0-|"), {prompt, rows[0]});
}

// The chain is built at run time from each row's height and always runs
// through all four rows; hidden rows show the grey background.
void KConfusionTemplateView::activateButtonsConstraints(int forButtonCount)
{
    removeConstraints(m_fourButtonConstraints);
    removeConstraints(m_threeButtonConstraints);
    removeConstraints(m_twoButtonConstraints);
    removeConstraints(m_oneButtonConstraints);
    const bool shown = showButtons(forButtonCount);
    QList<double> heights;
    for (int index = 0; index < choiceCount; ++index)
        heights.append(rowHeight(index, shown && index < forButtonCount ? buttonHeight : 0));
    const QString chain = QStringLiteral("V:[v0]-0.5-[v1(==%1)]-0.5-[v2(==%2)]-1-[v3(==%3)]-0.5-"
                                         "[v4(==%4)]-0-|")
                              .arg(decimal(heights[0]), decimal(heights[1]), decimal(heights[2]),
                                   decimal(heights[3]));
    const QList<ui::Button*>& rows = buttons();
    m_fourButtonConstraints =
        constraintsArray(chain, {labelContainerView(), rows[0], rows[1], rows[2], rows[3]});
    addConstraints(m_fourButtonConstraints);
}

double KConfusionTemplateView::rowHeight(int index, double startHeight) const
{
    const ui::Label* label = buttons()[index]->titleLabel();
    const ui::TextStyle style{label->font(), label->numberOfLines(), label->lineBreakMode(),
                              label->textAlignment()};
    const double needed =
        ui::TextMeasure::boundingSize(buttons()[index]->title(), style, m_maxAllowedWidth).height();
    const double height = needed > buttonHeight ? needed + rowPadding : startHeight;
    return height <= buttonHeight ? height + rowPadding : height;
}

} // namespace kesvor
