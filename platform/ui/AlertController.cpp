#include "ui/AlertController.h"

#include "foundation/DebugLog.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/View.h"

namespace kesvor::ui {

namespace {

constexpr double panelWidth = 270;
constexpr double panelCornerRadius = 13;
constexpr double textInset = 16;
constexpr double textTop = 20;
constexpr double titleToMessage = 4;
constexpr double textBottom = 20;
constexpr double separatorThickness = 0.5;
constexpr double buttonHeight = 44;
constexpr double titleFontSize = 17;
constexpr double messageFontSize = 13;
constexpr double actionFontSize = 17;
// Two actions share a row; more stack in a column.
constexpr int maxActionsInRow = 2;

QColor backdropColor()
{
    return Color::white(0, 0.4);
}

QColor panelColor()
{
    return Color::white(0.97);
}

QColor separatorColor()
{
    return Color::white(0.8);
}

QColor actionColor(AlertActionStyle style)
{
    return style == AlertActionStyle::Destructive ? Color::rgba(1, 0.23, 0.19)
                                                  : Color::rgba(0, 122.0 / 255, 1);
}

Label* makeTextLabel(const QString& text, const QFont& font)
{
    auto* label = new Label;
    label->setText(text);
    label->setFont(font);
    label->setNumberOfLines(0);
    label->setTextAlignment(Qt::AlignHCenter);
    return label;
}

View* makeSeparator()
{
    auto* separator = new View;
    separator->setBackgroundColor(separatorColor());
    return separator;
}

QString number(double value)
{
    return QString::number(value);
}

} // namespace

AlertAction::AlertAction(const QString& title, AlertActionStyle style, Handler handler)
    : m_title(title)
    , m_style(style)
    , m_handler(std::move(handler))
{
}

AlertController::AlertController(const QString& title, const QString& message,
                                 AlertControllerStyle preferredStyle, QObject* parent)
    : ViewController(parent)
    , m_title(title)
    , m_message(message)
    , m_style(preferredStyle)
{
}

void AlertController::addAction(const AlertAction& action)
{
    if (isViewLoaded()) {
        KESVOR_DEBUG_LOG << "AlertController: action" << action.title()
                         << "added after the alert was built; ignored";
        return;
    }
    m_actions.append(action);
}

Button* AlertController::buttonForAction(int index)
{
    view();
    return index >= 0 && index < m_buttons.size() ? m_buttons.at(index).data() : nullptr;
}

void AlertController::triggerAction(int index)
{
    if (m_triggered || index < 0 || index >= m_actions.size() || !m_actions.at(index).isEnabled())
        return;
    m_triggered = true;
    const AlertAction action = m_actions.at(index);
    dismiss(true);
    if (action.handler())
        action.handler()(action);
}

void AlertController::loadView()
{
    auto* backdrop = new View;
    backdrop->setBackgroundColor(backdropColor());
    setView(backdrop);
    buildPanel(backdrop);
}

View* AlertController::buildPanel(View* backdrop)
{
    auto* panel = new View;
    panel->setBackgroundColor(panelColor());
    panel->setCornerRadius(panelCornerRadius);
    panel->setClipsToBounds(true);
    backdrop->addSubview(panel);
    panel->setTranslatesAutoresizingMaskIntoConstraints(false);
    LayoutConstraint::activate({
        LayoutConstraint(panel, LayoutAttribute::CenterX, LayoutRelation::Equal, backdrop,
                         LayoutAttribute::CenterX),
        LayoutConstraint(panel, LayoutAttribute::CenterY, LayoutRelation::Equal, backdrop,
                         LayoutAttribute::CenterY),
        LayoutConstraint(panel, LayoutAttribute::Width, LayoutRelation::Equal, panelWidth),
    });

    // Title and message stack above a hairline; either may be absent.
    QList<View*> texts;
    if (!m_title.isEmpty())
        texts.append(makeTextLabel(m_title, Font::boldSystemFont(titleFontSize)));
    if (!m_message.isEmpty())
        texts.append(makeTextLabel(m_message, Font::systemFont(messageFontSize)));
    View* separator = makeSeparator();
    texts.append(separator);
    QString chain = QStringLiteral("V:|-%1-").arg(number(textTop));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        panel->addSubview(texts[i]);
        const bool isSeparator = texts[i] == separator;
        if (!isSeparator)
            panel->addConstraints(QStringLiteral("H:|-%1-[v0]-%1-|").arg(number(textInset)),
                                  {texts[i]});
        if (i > 0)
            chain += isSeparator ? QStringLiteral("-%1-").arg(number(textBottom))
                                 : QStringLiteral("-%1-").arg(number(titleToMessage));
        chain += QStringLiteral("[v%1%2]").arg(i).arg(
            isSeparator ? QStringLiteral("(==%1)").arg(number(separatorThickness)) : QString());
    }
    panel->addConstraints(QStringLiteral("H:|[v0]|"), {separator});
    panel->addConstraints(chain, texts);
    buildButtons(panel, separator);
    return panel;
}

QList<int> AlertController::displayOrder() const
{
    // The cancel action goes first in a row and last in a column.
    QList<int> order;
    int cancel = -1;
    for (int i = 0; i < m_actions.size(); ++i) {
        if (m_actions.at(i).style() == AlertActionStyle::Cancel && cancel < 0)
            cancel = i;
        else
            order.append(i);
    }
    if (cancel >= 0) {
        if (m_actions.size() <= maxActionsInRow)
            order.prepend(cancel);
        else
            order.append(cancel);
    }
    return order;
}

void AlertController::buildButtons(View* panel, View* separator)
{
    m_buttons = QList<QPointer<Button>>(m_actions.size());
    const QList<int> order = displayOrder();
    if (order.isEmpty()) {
        panel->addConstraints(QStringLiteral("V:[v0]|"), {separator});
        return;
    }
    QList<View*> shown;
    for (const int index : order) {
        const AlertAction& action = m_actions.at(index);
        auto* button = new Button;
        button->setTitle(action.title());
        button->setTitleColor(actionColor(action.style()));
        button->setTitleColor(Color::white(0.6), ControlState::Disabled);
        button->setEnabled(action.isEnabled());
        button->titleLabel()->setFont(action.style() == AlertActionStyle::Cancel
                                          ? Font::boldSystemFont(actionFontSize)
                                          : Font::systemFont(actionFontSize));
        button->addTarget(ControlEvent::TouchUpInside,
                          [this, index](Control*) { triggerAction(index); });
        panel->addSubview(button);
        m_buttons[index] = button;
        shown.append(button);
    }
    const QString height = number(buttonHeight);
    const QString hairline = number(separatorThickness);
    if (shown.size() <= maxActionsInRow) {
        for (View* button : shown)
            panel->addConstraints(QStringLiteral("V:[v0][v1(==%1)]|").arg(height),
                                  {separator, button});
        if (shown.size() == 1) {
            panel->addConstraints(QStringLiteral("H:|[v0]|"), {shown[0]});
            return;
        }
        View* divider = makeSeparator();
        panel->addSubview(divider);
        panel->addConstraints(QStringLiteral("V:[v0][v1]|"), {separator, divider});
        panel->addConstraints(QStringLiteral("H:|[v0][v1(==%1)][v2(==v0)]|").arg(hairline),
                              {shown[0], divider, shown[1]});
        return;
    }
    QList<View*> column{separator};
    QString chain = QStringLiteral("V:[v0]");
    for (View* button : shown) {
        if (column.size() > 1) {
            View* divider = makeSeparator();
            panel->addSubview(divider);
            panel->addConstraints(QStringLiteral("H:|[v0]|"), {divider});
            column.append(divider);
            chain += QStringLiteral("[v%1(==%2)]").arg(column.size() - 1).arg(hairline);
        }
        panel->addConstraints(QStringLiteral("H:|[v0]|"), {button});
        column.append(button);
        chain += QStringLiteral("[v%1(==%2)]").arg(column.size() - 1).arg(height);
    }
    panel->addConstraints(chain + QStringLiteral("|"), column);
}

} // namespace kesvor::ui
