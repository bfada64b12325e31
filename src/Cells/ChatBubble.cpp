#include "Cells/ChatBubble.h"

#include "Kesvor/SdkImage.h"
#include "Store/MessageStatusEnum.h"
#include "View/BubbleBackView.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/ImageView.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

// Layout numbers of the bubbles (points).
constexpr double bubbleSideMargin = 24;
constexpr double bubbleFarMargin = 60;
constexpr double textSideInset = 16;
constexpr double textTopBottomInset = 8;
constexpr double timeLineHeight = 24;
constexpr double timeSideMargin = 30;
constexpr double statusIconSide = 24;
constexpr double bubbleCornerRadius = 4;

QColor darkBubbleColor()
{
    return ui::Color::white(35.0 / 255);
}

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

QList<ui::LayoutConstraint> activate(const QString& format, const QHash<QString, ui::View*>& views)
{
    const auto constraints = ui::LayoutConstraint::constraintsWithVisualFormat(format, views);
    ui::LayoutConstraint::activate(constraints);
    return constraints;
}

} // namespace

QFont ChatBubble::messageFont()
{
    return ui::Font::defaultLabelFont();
}

ChatBubble::ChatBubble(const QRectF& frame, BubbleCellType type)
    : TimedCell(frame)
{
    setupUserInterface(type);
    connect(contentView(), &ui::View::boundsChanged, this, [this] { fitBubbleWidth(); });
}

QHash<QString, ui::View*> ChatBubble::bubbleViews() const
{
    return {{QLatin1String(BACKGROUND_IMAGE_VIEW), m_backgroundImageView},
            {QLatin1String(MESSAGE_LABEL), m_messageLabel},
            {QLatin1String(BACK_VIEW), m_backView}};
}

void ChatBubble::setupUserInterface(BubbleCellType forType)
{
    const bool left = forType == BubbleCellType::left;
    contentView()->setBackgroundColor(ui::Color::clear());
    m_backView = new BubbleBackView(forType);
    m_backView->setCornerRadius(bubbleCornerRadius);
    m_backView->setClipsToBounds(!left);
    m_backView->setBackgroundColor(left ? ui::Color::white() : darkBubbleColor());
    m_backView->setTranslatesAutoresizingMaskIntoConstraints(false);
    contentView()->addSubview(m_backView);
    m_backgroundImageView = new ui::ImageView;
    m_backgroundImageView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_backView->addSubview(m_backgroundImageView);
    m_messageLabel = new ui::Label;
    m_messageLabel->setNumberOfLines(0);
    m_messageLabel->setFont(messageFont());
    m_messageLabel->setTextColor(left ? darkBubbleColor() : ui::Color::white());
    m_messageLabel->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_backView->addSubview(m_messageLabel);
    contentView()->addSubview(timeLabel());

    const QHash<QString, ui::View*> views = bubbleViews();
    const QString back = QLatin1String(BACK_VIEW);
    const QString width = QStringLiteral("(<=%1)").arg(number(maximumBubbleWidth()));
    const QString horizontal =
        left ? QStringLiteral("H:|-%1-[%2%3]").arg(number(bubbleSideMargin), back, width)
             : QStringLiteral("H:[%2%3]-%1-|").arg(number(bubbleSideMargin), back, width);
    for (const ui::LayoutConstraint& constraint : activate(horizontal, views))
        if (constraint.firstAttribute() == ui::LayoutAttribute::Width)
            m_bubbleWidth = constraint;
    activate(QStringLiteral("V:[%1]").arg(back), views);
    const QString image = QLatin1String(BACKGROUND_IMAGE_VIEW);
    activate(QStringLiteral("H:|-0-[%1]-0-|").arg(image), views);
    activate(QStringLiteral("V:|-0-[%1]-0-|").arg(image), views);
    const QString label = QLatin1String(MESSAGE_LABEL);
    activate(QStringLiteral("H:|-%1-[%2]-%1-|").arg(number(textSideInset), label), views);
    activate(QStringLiteral("V:|-%1-[%2]-%1-|").arg(number(textTopBottomInset), label), views);
    if (left)
        contentView()->addConstraints(QStringLiteral("H:|-%1-[v0]|").arg(number(timeSideMargin)),
                                      {timeLabel()});
    contentView()->addConstraints(QStringLiteral("V:[v0]-0-[v1(==%1)]|").arg(timeLineHeight),
                                  {m_backView, timeLabel()});
}

double ChatBubble::maximumBubbleWidth() const
{
    return std::max(0.0, contentView()->bounds().width() - bubbleFarMargin);
}

void ChatBubble::fitBubbleWidth()
{
    m_bubbleWidth.setConstant(maximumBubbleWidth());
}

CollectionCellLeft::CollectionCellLeft(const QRectF& frame)
    : ChatBubble(frame, BubbleCellType::left)
{
}

CollectionCellRight::CollectionCellRight(const QRectF& frame)
    : ChatBubble(frame, BubbleCellType::right)
    , m_messageStatusImageView(new ui::ImageView)
{
    m_messageStatusImageView->setTranslatesAutoresizingMaskIntoConstraints(false);
    contentView()->addSubview(m_messageStatusImageView);
    contentView()->addConstraints(
        QStringLiteral("H:[v0]-[v1(==%1)]-%2-|").arg(statusIconSide).arg(timeSideMargin),
        {timeLabel(), m_messageStatusImageView});
    contentView()->addConstraints(QStringLiteral("V:[v0(==%1)]|").arg(statusIconSide),
                                  {m_messageStatusImageView});
}

void CollectionCellRight::setMessageStatus(const QString& messageStatus)
{
    m_messageStatus = messageStatus;
    const auto status = foundation::fromRawValue<MessageStatusEnum>(messageStatus);
    // A status outside the vocabulary shows no icon rather than the one of the
    // message this cell showed before.
    if (!status || *status == MessageStatusEnum::unsent) {
        m_messageStatusImageView->setImage(std::nullopt);
        return;
    }
    m_messageStatusImageView->setImage(sdkImage(messageStatus));
}

} // namespace kesvor
