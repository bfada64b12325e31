#include "gallery/GalleryController.h"

#include "Kesvor/SdkImage.h"
#include "ui/ActivityIndicatorView.h"
#include "ui/AlertController.h"
#include "ui/BezierPath.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/TextView.h"

namespace kesvor::gallery {

namespace {

using namespace kesvor::ui;

// Layout numbers of the screen.
constexpr double sectionSpacing = 12;
constexpr double sideMargin = 16;
constexpr double headerHeight = 44;
constexpr double bubbleCornerRadius = 8;
constexpr double bubbleMaxWidth = 240;
constexpr double blockWidth = 240;
constexpr double buttonHeight = 44;
constexpr double fieldHeight = 30;
constexpr double textViewHeight = 60;
constexpr double paddingWidth = 10;

QColor blockGrey()
{
    return Color::white(239.0 / 255);
}

QColor buttonBlue()
{
    return Color::rgba(0, 109.0 / 255, 240.0 / 255);
}

QColor bubbleDark()
{
    return Color::white(35.0 / 255);
}

/// A bubble whose square corner points to its speaker.
class Bubble : public View {
public:
    explicit Bubble(bool incoming)
        : m_incoming(incoming)
    {
    }

protected:
    void layoutSubviews() override
    {
        const RectCorners corners =
            m_incoming ? RectCorner::TopLeft | RectCorner::TopRight | RectCorner::BottomRight
                       : RectCorner::TopLeft | RectCorner::TopRight | RectCorner::BottomLeft;
        setMaskPath(BezierPath::roundedRect(bounds(), corners, bubbleCornerRadius));
    }

private:
    bool m_incoming;
};

Label* makeLabel(const QString& text, const QFont& font, const QColor& color, int lines = 1)
{
    auto* label = new Label;
    label->setText(text);
    label->setFont(font);
    label->setTextColor(color);
    label->setNumberOfLines(lines);
    return label;
}

View* makeBubble(bool incoming, const QString& text)
{
    auto* bubble = new Bubble(incoming);
    bubble->setBackgroundColor(incoming ? Color::white() : bubbleDark());
    Label* label =
        makeLabel(text, Font::defaultLabelFont(), incoming ? bubbleDark() : Color::white(), 0);
    bubble->addSubview(label);
    bubble->addConstraints("H:|-16-[v0]-16-|", {label});
    bubble->addConstraints("V:|-8-[v0]-8-|", {label});
    return bubble;
}

} // namespace

void GalleryController::viewDidLoad()
{
    View* root = view();
    root->setBackgroundColor(Color::white());
    const QList<View*> sections{makeHeader(), makeBubbles(), makeButtons(), makeInputs(),
                                makeStatus()};
    QString chain = QStringLiteral("V:|-20-");
    for (qsizetype i = 0; i < sections.size(); ++i) {
        root->addSubview(sections[i]);
        root->addConstraints(QStringLiteral("H:|-%1-[v0]-%1-|").arg(sideMargin), {sections[i]});
        chain += QStringLiteral("%1[v%2]")
                     .arg(i ? QStringLiteral("-%1-").arg(sectionSpacing) : QString())
                     .arg(i);
    }
    root->addConstraints(chain, sections);
}

View* GalleryController::makeHeader()
{
    auto* header = new View;
    Label* title =
        makeLabel("Kesvor views", Font::systemFont(20, FontWeight::Semibold), Color::black());
    title->setTextAlignment(Qt::AlignHCenter);
    auto* line = new View;
    line->setBackgroundColor(Color::darkGray());
    header->addSubview(title);
    header->addSubview(line);
    header->addConstraints(QStringLiteral("V:[v0(==%1)]").arg(headerHeight), {header});
    header->addConstraints("H:|[v0]|", {title});
    header->addConstraints("H:|[v0]|", {line});
    header->addConstraints("V:|[v0]-0-[v1(==0.5)]|", {title, line});
    return header;
}

View* GalleryController::makeBubbles()
{
    auto* section = new View;
    section->setBackgroundColor(blockGrey());
    section->setCornerRadius(4);
    View* incoming = makeBubble(
        true, "Hello! Labels wrap at the width their constraints leave them, and the bubble "
              "grows with the text.");
    View* outgoing = makeBubble(false, "Short ones stay narrow.");
    const auto seen = sdkImage("seen");
    auto* status = new ImageView(seen);
    section->addSubview(incoming);
    section->addSubview(outgoing);
    section->addSubview(status);
    section->addConstraints(QStringLiteral("H:|-12-[v0(<=%1)]").arg(bubbleMaxWidth), {incoming});
    section->addConstraints(QStringLiteral("H:[v0(<=%1)]-[v1(==24)]-12-|").arg(bubbleMaxWidth),
                            {outgoing, status});
    section->addConstraints("V:|-12-[v0]-8-[v1]-12-|", {incoming, outgoing});
    section->addConstraints("V:[v0(==24)]-12-|", {status});
    return section;
}

View* GalleryController::makeButtons()
{
    auto* section = new View;
    auto* block = new View;
    block->setBackgroundColor(blockGrey());
    block->setCornerRadius(4);
    block->setClipsToBounds(true);
    m_tapCount = makeLabel("No taps yet", Font::systemFont(13), Color::darkGray(), 0);
    section->addSubview(block);
    section->addSubview(m_tapCount);
    section->addConstraints(QStringLiteral("H:|[v0(==%1)]-12-[v1]|").arg(blockWidth),
                            {block, m_tapCount});
    section->addConstraints("V:|[v0]|", {block});
    section->addConstraints("V:|[v0]", {m_tapCount});

    QList<View*> buttons;
    for (const QString title : {"Tap me", "Me too", "Show an alert"}) {
        auto* button = new Button;
        button->setBackgroundColor(Color::white());
        button->setTitle(title);
        button->setTitleColor(buttonBlue());
        button->setTitleColor(Color::darkGray(), ControlState::Highlighted);
        block->addSubview(button);
        block->addConstraints("H:|[v0]|", {button});
        buttons.append(button);
    }
    const QString height = QString::number(buttonHeight);
    block->addConstraints(
        QStringLiteral("V:|[v0(==%1)]-0.5-[v1(==%1)]-0.5-[v2(==%1)]|").arg(height), buttons);
    for (View* button : buttons.mid(0, 2))
        static_cast<Button*>(button)->addTarget(ControlEvent::TouchUpInside, [this](Control*) {
            m_tapCount->setText(QStringLiteral("%1 tap(s)").arg(++m_taps));
        });
    static_cast<Button*>(buttons.last())->addTarget(ControlEvent::TouchUpInside, [this](Control*) {
        showAlert();
    });
    return section;
}

View* GalleryController::makeInputs()
{
    auto* section = new View;
    auto* field = new TextField;
    field->setPlaceholder("you@example.com");
    field->setKeyboardType(KeyboardType::EmailAddress);
    field->setLeftView(new View(QRectF(0, 0, paddingWidth, fieldHeight)));
    field->setLeftViewMode(TextFieldViewMode::Always);
    field->setBorderColor(Color::lightGray());
    field->setBorderWidth(1);
    field->setCornerRadius(2);
    field->setClipsToBounds(true);
    auto* text = new TextView;
    text->setText("A text view: its content size follows what is typed.");
    text->setBorderColor(Color::lightGray());
    text->setBorderWidth(1);
    section->addSubview(field);
    section->addSubview(text);
    section->addConstraints("H:|[v0]|", {field});
    section->addConstraints("H:|[v0]|", {text});
    section->addConstraints(
        QStringLiteral("V:|[v0(==%1)]-[v1(==%2)]|").arg(fieldHeight).arg(textViewHeight),
        {field, text});
    return section;
}

View* GalleryController::makeStatus()
{
    auto* section = new View;
    auto* spinner = new ActivityIndicatorView(ActivityIndicatorStyle::Gray);
    spinner->startAnimating();
    Label* connecting = makeLabel("Connecting..", Font::defaultLabelFont(), Color::gray());
    section->addSubview(spinner);
    section->addSubview(connecting);
    section->addConstraints("H:|[v0]-10-[v1]", {spinner, connecting});
    section->addConstraints("V:|[v0]", {connecting});
    section->addConstraint(LayoutConstraint(spinner, LayoutAttribute::CenterY,
                                            LayoutRelation::Equal, connecting,
                                            LayoutAttribute::CenterY));

    QList<View*> icons;
    for (const QString name : {"closeButtonImg", "refreshImg", "sending", "sent", "seen"}) {
        auto* icon = new ImageView(sdkImage(name));
        icon->setContentMode(ContentMode::ScaleAspectFit);
        section->addSubview(icon);
        icons.append(icon);
        section->addConstraints("V:[v0]-12-[v1(==24)]|", {connecting, icon});
    }
    section->addConstraints("H:|[v0(==24)]-[v1(==24)]-[v2(==24)]-[v3(==24)]-[v4(==24)]", icons);
    return section;
}

void GalleryController::showAlert()
{
    auto* alert = new AlertController("Alert", "Alerts show over the window that presents them.");
    alert->addAction(AlertAction("OK", AlertActionStyle::Cancel));
    present(alert, true);
}

} // namespace kesvor::gallery
