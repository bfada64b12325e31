// The message list's data: the fetch and its paging, the cells, the section
// headers, the quick-reply strip and the store's changes. Sizes are in
// ChatTableSizing.cpp.
#include "View/ChatTableController.h"

#include "Cells/ChatBubble.h"
#include "Cells/KButtonTemplateCell.h"
#include "Cells/KCardHolderCell.h"
#include "Cells/KConfusionTemplateCell.h"
#include "Cells/KEmailTemplateCell.h"
#include "Cells/QuickReplyCollectionCell.h"
#include "Kesvor/KesvorLocalStorage.h"
#include "Models/ButtonModel.h"
#include "Service/UserKeys.h"
#include "Store/Chat.h"
#include "Store/MyDataController.h"
#include "View/ChatViewController.h"
#include "View/CollectionViewScrolling.h"
#include "View/CustomDateFormatter.h"
#include "View/HeaderView.h"
#include "View/MessageContent.h"
#include "View/MessageWindow.h"
#include "View/QuickReplyView.h"
#include "foundation/Console.h"
#include "foundation/MainThread.h"
#include "ui/CollectionView.h"
#include "ui/Label.h"
#include "ui/TextField.h"

namespace kesvor {

namespace {

constexpr double quickReplyHiddenConstant = 60;

std::optional<QString> storedCustomerId()
{
    const auto record = KesvorLocalStorage::storedUser();
    const QVariant userId =
        record ? record->value(foundation::rawValue(UserKeys::userId)) : QVariant();
    if (userId.typeId() != QMetaType::QString)
        return std::nullopt;
    return userId.toString();
}

QString reuseIdentifier(BubbleCellType type)
{
    return foundation::rawValue(type);
}

} // namespace

ChatTableController::ChatTableController(ui::CollectionView* withTableView)
    : m_chatTableView(withTableView)
{
    KESVOR_ASSERT_MAIN_THREAD();
    initializeFetchedResultsController();
}

ChatTableController::~ChatTableController() = default;

ui::CollectionView* ChatTableController::chatTableView() const
{
    return m_chatTableView;
}

ChatViewController* ChatTableController::parentController() const
{
    return m_parentController;
}

void ChatTableController::setParentController(ChatViewController* controller)
{
    m_parentController = controller;
}

// The newest page of messages, in day sections, oldest first.
void ChatTableController::initializeFetchedResultsController()
{
    const auto context = MyDataController::sharedInstance().context();
    m_window = std::make_unique<MessageWindow>(context);
    foundation::Error error;
    if (!m_window->startAtNewest(pageSize, &error))
        foundation::Console::print(QStringLiteral("Error: ") + error.description);
    data::FetchRequest request = Chat::fetchRequest();
    request.sortDescriptors = {{QStringLiteral("date"), true}, {QStringLiteral("createdOn"), true}};
    request.predicate = m_window->predicate();
    m_fetchedResultsController =
        std::make_unique<data::FetchedResultsController>(request, context, QStringLiteral("date"));
    m_fetchedResultsController->setDelegate(this);
    refreshFetchedResultController();
}

void ChatTableController::refreshFetchedResultController()
{
    foundation::Error error;
    if (!m_fetchedResultsController->performFetch(&error))
        foundation::Console::print(
            QStringLiteral("Failed to initialize FetchedResultsController: ") + error.description);
}

void ChatTableController::registerCells(ui::CollectionView& list)
{
    list.registerCell<CollectionCellLeft>(reuseIdentifier(BubbleCellType::left));
    list.registerCell<CollectionCellRight>(reuseIdentifier(BubbleCellType::right));
    list.registerCell<KCardHolderCell>(reuseIdentifier(BubbleCellType::card));
    list.registerCell<KButtonTemplateCell>(reuseIdentifier(BubbleCellType::buttonTemplate));
    list.registerCell<KEmailTemplateCell>(reuseIdentifier(BubbleCellType::email));
    list.registerCell<KConfusionTemplateCell>(reuseIdentifier(BubbleCellType::confusion));
    list.registerCell<QuickReplyCollectionCell>(reuseIdentifier(BubbleCellType::quickReply));
    list.registerSupplementaryView<HeaderView>(ui::CollectionElementKindSectionHeader,
                                               QString::fromLatin1(HeaderView::reuseIdentifier));
}

BubbleCellType ChatTableController::cellType(const Chat& chat,
                                             const std::optional<QString>& customerId)
{
    const QString from = chat.msgFrom();
    if (customerId && !from.isNull() && from == *customerId)
        return BubbleCellType::right;
    const MessageContent content(chat);
    // Only a template attachment is drawn as one; the list sizes nothing else.
    if (content.text() || content.attachmentType() != QLatin1String("template"))
        return BubbleCellType::left;
    const auto templateType = content.templateType();
    if (templateType == QLatin1String("button"))
        return BubbleCellType::buttonTemplate;
    if (templateType == QLatin1String("email"))
        return BubbleCellType::email;
    if (templateType == QLatin1String("generic"))
        return BubbleCellType::card;
    if (templateType == QLatin1String("confusion"))
        return BubbleCellType::confusion;
    return BubbleCellType::left;
}

// --- Data source ----------------------------------------------------------------

int ChatTableController::numberOfSections(ui::CollectionView&)
{
    const auto& sections = m_fetchedResultsController->sections();
    return sections ? int(sections->size()) : 0;
}

int ChatTableController::numberOfItemsInSection(ui::CollectionView&, int section)
{
    const auto& sections = m_fetchedResultsController->sections();
    if (!sections) {
        foundation::Console::print(QStringLiteral("No sections in fetchedResultsController"));
        return 0;
    }
    return section < sections->size() ? (*sections)[section].numberOfObjects : 0;
}

ui::CollectionViewCell* ChatTableController::cellForItemAt(ui::CollectionView& collectionView,
                                                           const ui::IndexPath& indexPath)
{
    const data::ObjectPtr object = m_fetchedResultsController->object(indexPath);
    if (!object)
        return bubbleCell(collectionView, indexPath, std::nullopt, BubbleCellType::left);
    const Chat chat(object);
    const BubbleCellType type = cellType(chat, storedCustomerId());
    if (type == BubbleCellType::left || type == BubbleCellType::right)
        return bubbleCell(collectionView, indexPath, chat, type);
    if (ui::CollectionViewCell* cell = templateCell(collectionView, indexPath, chat, type))
        return cell;
    // A template whose model cannot be built shows as an empty bubble.
    return bubbleCell(collectionView, indexPath, chat, BubbleCellType::left);
}

ui::CollectionViewCell* ChatTableController::bubbleCell(ui::CollectionView& collectionView,
                                                        const ui::IndexPath& indexPath,
                                                        const std::optional<Chat>& chat,
                                                        BubbleCellType type)
{
    auto* cell = collectionView.dequeueReusableCell<ChatBubble>(reuseIdentifier(type), indexPath);
    if (!cell)
        return nullptr;
    const std::optional<QString> text = chat ? MessageContent(*chat).text() : std::nullopt;
    // An incoming message without a text (an unknown kind) shows nothing.
    cell->contentView()->setHidden(type != BubbleCellType::right && !text);
    cell->messageLabel()->setText(text.value_or(QString()));
    if (chat)
        cell->setTime(chat->createdOn());
    if (auto* right = qobject_cast<CollectionCellRight*>(cell); right && chat)
        right->setMessageStatus(chat->messageSentToAgentStatus());
    return cell;
}

ui::CollectionViewCell* ChatTableController::templateCell(ui::CollectionView& collectionView,
                                                          const ui::IndexPath& indexPath,
                                                          const Chat& chat, BubbleCellType type)
{
    const QString identifier = reuseIdentifier(type);
    TimedCell* cell = nullptr;
    if (type == BubbleCellType::email) {
        auto* form = collectionView.dequeueReusableCell<KEmailTemplateCell>(identifier, indexPath);
        if (form) {
            form->setModel(chat);
            if (const auto draft = m_emailDrafts.constFind(chat.objectID());
                draft != m_emailDrafts.cend() && form->emailTextField()->text() != *draft)
                form->emailTextField()->setText(*draft);
            connect(form, &KEmailTemplateCell::draftEdited, this,
                    &ChatTableController::emailDraftEdited, Qt::UniqueConnection);
        }
        cell = form;
    } else if (type == BubbleCellType::card) {
        const auto* cards = cachedCards(chat);
        auto* holder =
            cards ? collectionView.dequeueReusableCell<KCardHolderCell>(identifier, indexPath)
                  : nullptr;
        if (holder) {
            holder->setHeight(cacheHeight.value(chat.objectID()) - templateTimeRowHeight);
            holder->setCards(*cards);
        }
        cell = holder;
    } else if (const auto model = cachedTemplate(chat, type)) {
        if (type == BubbleCellType::buttonTemplate) {
            auto* block =
                collectionView.dequeueReusableCell<KButtonTemplateCell>(identifier, indexPath);
            if (block)
                block->setButtonTemplateModel(model);
            cell = block;
        } else if (type == BubbleCellType::confusion) {
            auto* block =
                collectionView.dequeueReusableCell<KConfusionTemplateCell>(identifier, indexPath);
            if (block)
                block->setButtonTemplateModel(model);
            cell = block;
        }
    }
    if (cell)
        cell->setTime(chat.createdOn());
    return cell;
}

ui::CollectionReusableView* ChatTableController::viewForSupplementaryElementOfKind(
    ui::CollectionView& collectionView, const QString& kind, const ui::IndexPath& indexPath)
{
    auto* header = qobject_cast<HeaderView*>(collectionView.dequeueReusableSupplementaryView(
        kind, QString::fromLatin1(HeaderView::reuseIdentifier), indexPath));
    if (!header)
        return nullptr;
    const auto& sections = m_fetchedResultsController->sections();
    const QString name = sections && indexPath.section < sections->size()
                             ? (*sections)[indexPath.section].name
                             : QString();
    header->headerLabel()->setText(
        CustomDateFormatter().sectionDateString(name).value_or(QString()));
    return header;
}

void ChatTableController::emailDraftEdited(const Chat& message, const QString& text)
{
    m_emailDrafts.insert(message.objectID(), text);
}

// --- Delegate -------------------------------------------------------------------

void ChatTableController::willDisplay(ui::CollectionView& collectionView, ui::CollectionViewCell&,
                                      const ui::IndexPath& indexPath)
{
    const int lastSection = collectionView.numberOfSections() - 1;
    if (indexPath.section != lastSection ||
        indexPath.item != collectionView.numberOfItemsInSection(lastSection) - 1)
        return;
    if (const data::ObjectPtr object = m_fetchedResultsController->object(indexPath))
        showQuickReplies(Chat(object));
}

void ChatTableController::showQuickReplies(const Chat& chat)
{
    ChatViewController* parent = m_parentController;
    if (!parent)
        return;
    const QList<ButtonModel> replies = MessageContent(chat).quickReplies();
    QuickReplyView* strip = parent->quickReplyView();
    if (!replies.isEmpty())
        strip->setReplies(replies);
    ui::View::performWithoutAnimation([&] {
        strip->topBottomConstraint().setConstant(replies.isEmpty() ? quickReplyHiddenConstant : 0);
        parent->view()->layoutIfNeeded();
    });
    if (replies.isEmpty() == parent->isShowingQuickReply())
        parent->quickReplyViewShowing(!replies.isEmpty());
}

void ChatTableController::scrollViewDidScroll(ui::ScrollView& scrollView)
{
    if (scrollView.contentOffset().y() != 0) {
        m_pagingArmed = true;
        return;
    }
    if (!m_pagingArmed)
        return;
    m_pagingArmed = false;
    loadMore();
}

// Loads the 20 messages before the oldest one shown, keeping the message at
// the top of the list where it is on screen.
void ChatTableController::loadMore()
{
    if (m_window->reachesOldest() || !m_chatTableView)
        return;
    ui::CollectionView& list = *m_chatTableView;
    data::ObjectPtr anchor;
    double anchorTop = 0;
    for (const ui::IndexPath& indexPath : list.indexPathsForVisibleItems()) {
        const QRectF frame = list.cellForItem(indexPath)->frame();
        if (frame.bottom() > list.contentOffset().y()) {
            anchor = m_fetchedResultsController->object(indexPath);
            anchorTop = frame.top() - list.contentOffset().y();
            break;
        }
    }
    foundation::Error error;
    if (!m_window->growByPage(pageSize, &error)) {
        foundation::Console::print(QStringLiteral("Error: ") + error.description);
        return;
    }
    m_fetchedResultsController->fetchRequest().predicate = m_window->predicate();
    refreshFetchedResultController();
    list.reloadData();
    keepOnScreen(anchor, anchorTop);
}

void ChatTableController::keepOnScreen(const data::ObjectPtr& anchor, double anchorTop)
{
    ui::CollectionView& list = *m_chatTableView;
    const auto indexPath = anchor ? m_fetchedResultsController->indexPath(anchor) : std::nullopt;
    const auto attributes = indexPath ? list.layoutAttributesForItem(*indexPath) : std::nullopt;
    if (!attributes)
        return;
    const double top = std::clamp(attributes->frame.top() - anchorTop,
                                  list.minimumContentOffset().y(), list.maximumContentOffset().y());
    list.setContentOffset(QPointF(list.contentOffset().x(), top));
}

// --- Store changes --------------------------------------------------------------

void ChatTableController::controllerDidChangeSection(data::FetchedResultsController&,
                                                     const data::FetchedResultsSectionInfo&,
                                                     int sectionIndex,
                                                     data::FetchedResultsChangeType type)
{
    using Type = data::FetchedResultsChangeType;
    if (type == Type::Insert)
        m_blockOperations.push_back(
            [sectionIndex](ui::CollectionView& list) { list.insertSections({sectionIndex}); });
    else if (type == Type::Delete)
        m_blockOperations.push_back(
            [sectionIndex](ui::CollectionView& list) { list.deleteSections({sectionIndex}); });
}

void ChatTableController::controllerDidChangeObject(data::FetchedResultsController&,
                                                    const data::ObjectPtr& object,
                                                    std::optional<data::IndexPath> indexPath,
                                                    data::FetchedResultsChangeType type,
                                                    std::optional<data::IndexPath> newIndexPath)
{
    using Type = data::FetchedResultsChangeType;
    // A message that changed is parsed again; one that went takes its entries.
    if (object && (type == Type::Delete || type == Type::Update))
        forgetTemplate(object->objectID());
    if (object && type == Type::Delete)
        m_emailDrafts.remove(object->objectID());
    switch (type) {
    case Type::Insert:
        if (newIndexPath)
            m_blockOperations.push_back(
                [to = *newIndexPath](ui::CollectionView& list) { list.insertItems({to}); });
        break;
    case Type::Delete:
        if (indexPath)
            m_blockOperations.push_back(
                [from = *indexPath](ui::CollectionView& list) { list.deleteItems({from}); });
        break;
    case Type::Update:
        if (indexPath)
            m_blockOperations.push_back(
                [at = *indexPath](ui::CollectionView& list) { list.reloadItems({at}); });
        break;
    case Type::Move:
        if (indexPath && newIndexPath)
            m_blockOperations.push_back([from = *indexPath, to = *newIndexPath](
                                            ui::CollectionView& list) { list.moveItem(from, to); });
        break;
    }
}

void ChatTableController::controllerDidChangeContent(data::FetchedResultsController&)
{
    const std::vector<BlockOperation> operations = std::exchange(m_blockOperations, {});
    ui::CollectionView* list = m_chatTableView;
    if (!list)
        return;
    const QPointer<ui::CollectionView> guarded = list;
    list->performBatchUpdates(
        [&] {
            for (const BlockOperation& operation : operations)
                operation(*list);
        },
        [guarded](bool) {
            if (guarded)
                scrollToBottom(guarded, true);
        });
}

} // namespace kesvor
