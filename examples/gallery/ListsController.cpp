#include "gallery/ListsController.h"

#include "ui/CollectionView.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"

namespace kesvor::gallery {

namespace {

using namespace kesvor::ui;

// Layout numbers of the screen.
constexpr int dayCount = 60;
constexpr int messagesPerDay = 50;
constexpr double titleHeight = 44;
constexpr double stripHeight = 170;
constexpr double cardWidth = 250;
constexpr double cardGap = 4;
constexpr double stripInset = 24;
constexpr double cardPictureHeight = 110;
constexpr double pageDragThreshold = 60;
constexpr double headerHeight = 25;
constexpr double bubbleNearGap = 16;
constexpr double bubbleFarGap = 60;
constexpr double bubbleVerticalGap = 4;
constexpr double textHorizontalInset = 12;
constexpr double textVerticalInset = 8;
constexpr double messageSpacing = 4;
constexpr double sectionBottomInset = 10;
const QString incomingIdentifier = QStringLiteral("incoming");
const QString outgoingIdentifier = QStringLiteral("outgoing");
const QString cardIdentifier = QStringLiteral("card");
const QString headerIdentifier = QStringLiteral("day");

QColor listGrey()
{
    return Color::white(239.0 / 255);
}

QColor bubbleDark()
{
    return Color::white(35.0 / 255);
}

QFont messageFont()
{
    return Font::systemFont(15);
}

double textWidth(double listWidth)
{
    return listWidth - bubbleNearGap - bubbleFarGap - 2 * textHorizontalInset;
}

/// A bubble on the speaker's side, as wide as its text needs.
class BubbleCell : public CollectionViewCell {
public:
    explicit BubbleCell(bool incoming)
    {
        auto* bubble = new View;
        bubble->setBackgroundColor(incoming ? Color::white() : bubbleDark());
        bubble->setCornerRadius(8);
        m_label->setFont(messageFont());
        m_label->setNumberOfLines(0);
        m_label->setTextColor(incoming ? bubbleDark() : Color::white());
        bubble->addSubview(m_label);
        contentView()->addSubview(bubble);
        const QString sides = incoming ? QStringLiteral("H:|-%1-[v0]-(>=%2)-|")
                                       : QStringLiteral("H:|-(>=%2)-[v0]-%1-|");
        contentView()->addConstraints(sides.arg(bubbleNearGap).arg(bubbleFarGap), {bubble});
        contentView()->addConstraints(QStringLiteral("V:|-%1-[v0]-%1-|").arg(bubbleVerticalGap),
                                      {bubble});
        bubble->addConstraints(QStringLiteral("H:|-%1-[v0]-%1-|").arg(textHorizontalInset),
                               {m_label});
        bubble->addConstraints(QStringLiteral("V:|-%1-[v0]-%1-|").arg(textVerticalInset),
                               {m_label});
    }

    void setText(const QString& text) { m_label->setText(text); }

private:
    Label* m_label = new Label;
};

/// A day's title on a grey pill.
class DayHeader : public CollectionReusableView {
public:
    explicit DayHeader(const QRectF& frame)
        : CollectionReusableView(frame)
    {
        auto* pill = new View;
        pill->setBackgroundColor(Color::gray());
        pill->setCornerRadius(10);
        m_label->setFont(Font::systemFont(13));
        m_label->setTextColor(Color::white());
        m_label->setTextAlignment(Qt::AlignHCenter);
        pill->addSubview(m_label);
        addSubview(pill);
        addConstraints("H:|-(>=0)-[v0(==110)]-(>=0)-|", {pill});
        addConstraint(LayoutConstraint(pill, LayoutAttribute::CenterX, LayoutRelation::Equal, this,
                                       LayoutAttribute::CenterX));
        addConstraints("V:|-2-[v0]-2-|", {pill});
        pill->addConstraints("H:|[v0]|", {m_label});
        pill->addConstraints("V:|[v0]|", {m_label});
    }

    void setTitle(const QString& title) { m_label->setText(title); }

private:
    Label* m_label = new Label;
};

/// A card: a coloured picture, a title and a line under it.
class CardCell : public CollectionViewCell {
public:
    explicit CardCell(const QRectF& frame)
        : CollectionViewCell(frame)
    {
        contentView()->setBackgroundColor(Color::white());
        contentView()->setCornerRadius(4);
        contentView()->setClipsToBounds(true);
        m_title->setFont(Font::boldSystemFont(16));
        m_subtitle->setFont(Font::systemFont(12));
        m_subtitle->setTextColor(Color::darkGray());
        for (View* view : {m_picture, static_cast<View*>(m_title), static_cast<View*>(m_subtitle)})
            contentView()->addSubview(view);
        contentView()->addConstraints("H:|[v0]|", {m_picture});
        contentView()->addConstraints("H:|-12-[v0]-12-|", {m_title});
        contentView()->addConstraints("H:|-12-[v0]-12-|", {m_subtitle});
        contentView()->addConstraints(
            QStringLiteral("V:|[v0(==%1)]-8-[v1]-4-[v2]").arg(cardPictureHeight),
            {m_picture, m_title, m_subtitle});
    }

    void show(int card)
    {
        m_picture->setBackgroundColor(QColor::fromHsvF(float(card % 12) / 12.0f, 0.45f, 0.9f));
        m_title->setText(QStringLiteral("Card %1").arg(card + 1));
        m_subtitle->setText(QStringLiteral("Drag sideways: one card per drag"));
    }

private:
    View* m_picture = new View;
    Label* m_title = new Label;
    Label* m_subtitle = new Label;
};

} // namespace

void ListsController::viewDidLoad()
{
    View* root = view();
    root->setBackgroundColor(Color::white());
    auto* title = new Label;
    title->setText(QStringLiteral("Collections"));
    title->setFont(Font::systemFont(20, FontWeight::Semibold));
    title->setTextAlignment(Qt::AlignHCenter);
    m_strip = makeStrip();
    m_list = makeList();
    for (View* view :
         {static_cast<View*>(title), static_cast<View*>(m_strip), static_cast<View*>(m_list)}) {
        root->addSubview(view);
        root->addConstraints("H:|[v0]|", {view});
    }
    root->addConstraints(
        QStringLiteral("V:|-20-[v0(==%1)][v1(==%2)]-8-[v2]|").arg(titleHeight).arg(stripHeight),
        {title, m_strip, m_list});
}

CollectionView* ListsController::makeStrip()
{
    auto layout = std::make_unique<FlowLayout>();
    layout->setScrollDirection(ScrollDirection::Horizontal);
    layout->setItemSize(QSizeF(cardWidth, stripHeight - 16));
    layout->setMinimumLineSpacing(cardGap);
    layout->setSectionInset(EdgeInsets{8, stripInset, 8, stripInset});
    auto* strip = new CollectionView(QRectF(), std::move(layout));
    strip->setBackgroundColor(listGrey());
    strip->setShowsHorizontalScrollIndicator(false);
    strip->registerCell<CardCell>(cardIdentifier);
    strip->setDataSource(this);
    strip->setDelegate(this);
    return strip;
}

CollectionView* ListsController::makeList()
{
    auto layout = std::make_unique<FlowLayout>();
    layout->setMinimumLineSpacing(messageSpacing);
    layout->setSectionInset(EdgeInsets{0, 0, sectionBottomInset, 0});
    auto* list = new CollectionView(QRectF(), std::move(layout));
    list->setBackgroundColor(listGrey());
    list->setKeyboardDismissMode(KeyboardDismissMode::Interactive);
    list->registerCell(incomingIdentifier, [] { return new BubbleCell(true); });
    list->registerCell(outgoingIdentifier, [] { return new BubbleCell(false); });
    list->registerSupplementaryView<DayHeader>(CollectionElementKindSectionHeader,
                                               headerIdentifier);
    list->setDataSource(this);
    list->setDelegate(this);
    return list;
}

void ListsController::scrollListTo(int item)
{
    view()->layoutIfNeeded();
    const int message = std::clamp(item, 0, dayCount * messagesPerDay - 1);
    m_list->scrollToItem(IndexPath{message / messagesPerDay, message % messagesPerDay},
                         ScrollPosition::Top, false);
}

int ListsController::messageNumber(const IndexPath& indexPath) const
{
    return indexPath.section * messagesPerDay + indexPath.item;
}

QString ListsController::messageText(int message) const
{
    static const QStringList phrases{
        QStringLiteral("Hello!"),
        QStringLiteral("Where is my order?"),
        QStringLiteral("Thanks for waiting, an agent will be with you shortly."),
        QStringLiteral("It shipped on Monday and should arrive by Thursday at the latest."),
        QStringLiteral("Could you tell me the number printed at the top of the receipt, "
                       "just under the shop's address?"),
        QStringLiteral("Great, thank you."),
        QStringLiteral("Is there anything else I can help you with today? Our support team is "
                       "here around the clock, and replies usually come within a few minutes."),
    };
    return QStringLiteral("%1. %2")
        .arg(message + 1)
        .arg(phrases[(message * 5 + message / 3) % phrases.size()]);
}

// --- Data source and delegate ---------------------------------------------------

int ListsController::numberOfSections(CollectionView& view)
{
    return &view == m_strip ? 1 : dayCount;
}

int ListsController::numberOfItemsInSection(CollectionView& view, int)
{
    return &view == m_strip ? 12 : messagesPerDay;
}

CollectionViewCell* ListsController::cellForItemAt(CollectionView& view, const IndexPath& indexPath)
{
    if (&view == m_strip) {
        auto* card = view.dequeueReusableCell<CardCell>(cardIdentifier, indexPath);
        card->show(indexPath.item);
        return card;
    }
    const int message = messageNumber(indexPath);
    const bool incoming = message % 3 != 1;
    auto* cell = view.dequeueReusableCell<BubbleCell>(
        incoming ? incomingIdentifier : outgoingIdentifier, indexPath);
    cell->setText(messageText(message));
    return cell;
}

CollectionReusableView*
ListsController::viewForSupplementaryElementOfKind(CollectionView& view, const QString& kind,
                                                   const IndexPath& indexPath)
{
    auto* header = dynamic_cast<DayHeader*>(
        view.dequeueReusableSupplementaryView(kind, headerIdentifier, indexPath));
    if (header)
        header->setTitle(QStringLiteral("Day %1").arg(indexPath.section + 1));
    return header;
}

std::optional<QSizeF> ListsController::sizeForItemAt(CollectionView& view, FlowLayout&,
                                                     const IndexPath& indexPath)
{
    if (&view == m_strip)
        return std::nullopt;
    // Measured once per width: the text's wrapped height in the bubble.
    const double width = view.bounds().width();
    if (width != m_measuredWidth) {
        m_measuredWidth = width;
        m_heights.assign(size_t(dayCount * messagesPerDay), -1);
    }
    double& height = m_heights[size_t(messageNumber(indexPath))];
    if (height < 0)
        height = sizeForText(messageText(messageNumber(indexPath)), textWidth(width), messageFont())
                     .height() +
                 2 * (textVerticalInset + bubbleVerticalGap);
    return QSizeF(width, height);
}

std::optional<QSizeF> ListsController::referenceSizeForHeaderInSection(CollectionView& view,
                                                                       FlowLayout&, int)
{
    if (&view == m_strip)
        return std::nullopt;
    return QSizeF(view.bounds().width(), headerHeight);
}

void ListsController::scrollViewWillBeginDragging(ScrollView& scrollView)
{
    m_dragStart = scrollView.contentOffset().x();
}

void ListsController::scrollViewWillEndDragging(ScrollView& scrollView, const QPointF& velocity,
                                                QPointF& targetContentOffset)
{
    if (&scrollView != m_strip)
        return;
    // One card per drag: a fling, or a slow drag of a good distance. The
    // last stop is the end of the content.
    const double page = cardWidth + cardGap;
    const double end = scrollView.maximumContentOffset().x();
    const double moved = scrollView.contentOffset().x() - m_dragStart;
    if (velocity.x() > 0 || (velocity.x() == 0 && moved >= pageDragThreshold))
        m_card = std::min(m_card + 1, int(std::ceil(end / page)));
    else if (velocity.x() < 0 || (velocity.x() == 0 && moved <= -pageDragThreshold))
        m_card = std::max(m_card - 1, 0);
    targetContentOffset.setX(std::min(m_card * page, end));
}

} // namespace kesvor::gallery
