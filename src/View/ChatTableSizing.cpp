// The sizes of the message list's items: every item is as wide as the list;
// its height depends on the kind of message, plus a gap before a change of
// sender.
#include "View/ChatTableController.h"

#include "Cells/ChatBubble.h"
#include "KCard/KCard.h"
#include "Models/KButtonTempateModel.h"
#include "Models/KCardModel.h"
#include "Store/Chat.h"
#include "View/KButtonTempateView.h"
#include "View/KConfusionTempateView.h"
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
    const auto templateType = content.templateType();
    if (templateType == QLatin1String("email"))
        return emailItemHeight;
    // Kinds this list does not know, and templates whose model cannot be
    // built, take no room.
    if (templateType == QLatin1String("generic"))
        return cachedCards(chat) ? cacheHeight.value(chat.objectID()) : 0;
    const BubbleCellType type = templateType == QLatin1String("button")
                                    ? BubbleCellType::buttonTemplate
                                    : BubbleCellType::confusion;
    if (templateType == QLatin1String("button") || templateType == QLatin1String("confusion"))
        return cachedTemplate(chat, type) ? cacheButtonTemplateHeight.value(chat.objectID()) : 0;
    return 0;
}

const QList<std::shared_ptr<KCardModel>>* ChatTableController::cachedCards(const Chat& chat)
{
    const data::ObjectID id = chat.objectID();
    if (const auto found = cache.constFind(id); found != cache.cend())
        return &*found;
    const auto cards = KCardModel::modelsFromArray(
        MessageContent(chat).payload().value(QStringLiteral("elements")));
    if (!cards)
        return nullptr;
    cacheHeight.insert(id, KCard::getMaxHeight(*cards) + templateTimeRowHeight);
    return &*cache.insert(id, *cards);
}

std::shared_ptr<KButtonTempateModel> ChatTableController::cachedTemplate(const Chat& chat,
                                                                         BubbleCellType type)
{
    const data::ObjectID id = chat.objectID();
    if (const auto found = cacheButtonTempate.constFind(id); found != cacheButtonTempate.cend())
        return *found;
    auto model = KButtonTempateModel::initWithPayloadObject(MessageContent(chat).payload());
    if (!model)
        return nullptr;
    // Measured by a throwaway block of the kind that shows it.
    std::unique_ptr<KTemplateBlockView> block;
    if (type == BubbleCellType::confusion)
        block = std::make_unique<KConfusionTemplateView>();
    else
        block = std::make_unique<KButtonTempateView>();
    block->setButtonTemplateModel(model);
    cacheButtonTemplateHeight.insert(id, block->frame().height() + templateTimeRowHeight);
    cacheButtonTempate.insert(id, model);
    return model;
}

void ChatTableController::forgetTemplate(const data::ObjectID& objectID)
{
    cache.remove(objectID);
    cacheHeight.remove(objectID);
    cacheButtonTempate.remove(objectID);
    cacheButtonTemplateHeight.remove(objectID);
}

} // namespace kesvor
