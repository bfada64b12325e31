// The sizes of the message list's items: every item is as wide as the list;
// its height depends on the kind of message, plus a gap before a change of
// sender.
#include "View/ChatTableController.h"

#include "Cells/ChatBubble.h"
#include "Store/Chat.h"
#include "View/MessageContent.h"
#include "ui/CollectionView.h"
#include "ui/TextMeasure.h"

namespace kesvor {

namespace {

// Layout numbers of the list's items (points).
constexpr double textMeasuringInset = 92;
constexpr double textExtraWidth = 25;
// The label's padding above and below (8 + 8) and the time line (24).
constexpr double textExtraHeight = 16 + 24;
constexpr double emailItemHeight = 144;
constexpr double senderChangeGap = 16;
constexpr double lineSpacing = 4;
constexpr double headerHeight = 25;

} // namespace

std::optional<QSizeF> ChatTableController::sizeForItemAt(ui::CollectionView&, ui::FlowLayout&,
                                                         const ui::IndexPath& indexPath)
{
    return sizeForItem(indexPath);
}

std::optional<double> ChatTableController::minimumLineSpacingForSectionAt(ui::CollectionView&,
                                                                          ui::FlowLayout&, int)
{
    return lineSpacing;
}

std::optional<QSizeF>
ChatTableController::referenceSizeForHeaderInSection(ui::CollectionView& collectionView,
                                                     ui::FlowLayout&, int)
{
    return QSizeF(collectionView.bounds().width(), headerHeight);
}

QSizeF ChatTableController::sizeForText(const QString& text, double listWidth) const
{
    const QSizeF measured =
        ui::sizeForText(text, listWidth - textMeasuringInset, ChatBubble::messageFont());
    return QSizeF(measured.width() + textExtraWidth, measured.height() + textExtraHeight);
}

QSizeF ChatTableController::sizeForItem(const ui::IndexPath& atIndexPath)
{
    if (!m_chatTableView)
        return QSizeF(0, 0);
    const double width = m_chatTableView->bounds().width();
    const data::ObjectPtr object = m_fetchedResultsController->object(atIndexPath);
    if (!object)
        return QSizeF(width, 0);
    const Chat chat(object);
    double height = baseHeight(chat, width);
    const data::ObjectPtr previous =
        atIndexPath.item > 0
            ? m_fetchedResultsController->object({atIndexPath.section, atIndexPath.item - 1})
            : nullptr;
    // The first message of a day and every change of sender start lower.
    if (!previous || Chat(previous).msgFrom() != chat.msgFrom())
        height += senderChangeGap;
    return QSizeF(width, height);
}

double ChatTableController::baseHeight(const Chat& chat, double listWidth)
{
    const MessageContent content(chat);
    if (const auto text = content.text())
        return sizeForText(*text, listWidth).height();
    if (content.attachmentType() != QLatin1String("template"))
        return 0;
    if (content.templateType() == QLatin1String("email"))
        return emailItemHeight;
    // Cards, button and confusion templates are measured by their views,
    // which come with the template cells; until then they take no room, as
    // every kind this list does not know.
    return 0;
}

} // namespace kesvor
