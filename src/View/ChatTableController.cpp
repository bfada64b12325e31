// The message list's data: the fetch and its paging, the cells, the section
// headers, the quick-reply strip and the store's changes. Sizes are in
// ChatTableSizing.cpp.
#include "View/ChatTableController.h"

#include "Cells/ChatBubble.h"
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

BubbleCellType ChatTableController::cellType(const Chat& chat,
                                             const std::optional<QString>& customerId)
{
    const QString from = chat.msgFrom();
    if (customerId && !from.isNull() && from == *customerId)
        return BubbleCellType::right;
    const MessageContent content(chat);
    if (content.text())
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
    const BubbleCellType type =
        object ? cellType(Chat(object), storedCustomerId()) : BubbleCellType::left;
    const bool bubble = type == BubbleCellType::left || type == BubbleCellType::right;
    // Template kinds show as an empty incoming bubble until their cells exist.
    auto* cell = collectionView.dequeueReusableCell<ChatBubble>(
        reuseIdentifier(bubble ? type : BubbleCellType::left), indexPath);
    if (!cell)
        return nullptr;
    const std::optional<Chat> chat = object ? std::optional<Chat>(Chat(object)) : std::nullopt;
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
                                                    const data::ObjectPtr&,
                                                    std::optional<data::IndexPath> indexPath,
                                                    data::FetchedResultsChangeType type,
                                                    std::optional<data::IndexPath> newIndexPath)
{
    using Type = data::FetchedResultsChangeType;
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
