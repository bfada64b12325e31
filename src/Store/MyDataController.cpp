#include "Store/MyDataController.h"

#include "Store/ChatBatch.h"
#include "Store/ChatKeyValues.h"
#include "Store/ChatModel.h"
#include "Store/ChatModelRuns.h"
#include "Store/MessageStatusEnum.h"
#include "Store/StoreCoordinator.h"

#include "Kesvor/KesvorBuildConfig.h"

#include "data/Bundle.h"
#include "data/Predicate.h"
#include "data/StoreFiles.h"
#include "foundation/Console.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtCore/QDateTime>
#include <QtCore/QFileInfo>

namespace kesvor {

namespace {

void logSaveFailure(const foundation::Error& error)
{
    KESVOR_DEBUG_LOG << "Failure to save context: " + error.description;
}

// The messages of a batch the customer has not seen yet, judged by what they
// hold after the whole batch: a message changed twice is listed once, and
// one that a later element of the batch marked seen, or left without its id,
// not at all.
QList<Chat> unseenWithServerId(const QList<Chat>& changed)
{
    const QString& seen = statusText(MessageStatusEnum::seen);
    QList<Chat> unseen;
    for (const Chat& chat : changed)
        if (chat.messageId() && chat.messageSentToCustomerStatus() != seen)
            unseen << chat;
    return unseen;
}

} // namespace

MyDataController& MyDataController::sharedInstance()
{
    static MyDataController instance;
    return instance;
}

MyDataController::MyDataController()
    : m_messageParseQueue(QStringLiteral("kesvor.messageParseQueue"))
    , m_messageAddOperationQueue(QStringLiteral("kesvor.messageAddOperationQueue"))
{
}

data::PersistentContainer& MyDataController::persistentContainer()
{
    std::call_once(m_containerOnce, [this] { m_persistentContainer = makeContainer(); });
    return *m_persistentContainer;
}

std::unique_ptr<data::PersistentContainer> MyDataController::makeContainer()
{
    const auto bundle = StoreCoordinator::bundle(QString::fromLatin1(BUNDLE_NAME));
    const auto modelURL =
        bundle ? bundle->urlForResource(QString::fromLatin1(MODEL_NAME), QStringLiteral("momd"))
               : std::nullopt;
    foundation::Error error;
    const auto model = modelURL ? data::ManagedObjectModel::fromFile(*modelURL, &error) : nullptr;
    if (!model) {
        // The model is compiled into the SDK; without it nothing can be
        // stored, and every store operation quietly does nothing.
        KESVOR_DEBUG_LOG << "the store model is missing from the SDK's resources:"
                         << error.description;
        return std::make_unique<data::PersistentContainer>(QString::fromLatin1(STORE_NAME),
                                                           nullptr);
    }
    StoreCoordinator::migrateIfNeeded(model, *bundle);

    auto container =
        std::make_unique<data::PersistentContainer>(QString::fromLatin1(STORE_NAME), model);
    auto viewContext = container->viewContext();
    viewContext->setAutomaticallyMergesChangesFromParent(true);
    viewContext->setMergePolicy(
        data::ManagedObjectContext::MergePolicy::MergeByPropertyObjectTrump);
    data::PersistentStoreDescription description = container->persistentStoreDescription();
    const auto directory = StoreCoordinator::defaultDirectryUrl();
    description.url =
        directory ? *directory + u'/' +
                        StoreCoordinator::storePathComponent(QString::fromLatin1(STORE_NAME))
                  : QString();
    description.modelBundles = {*bundle};
    container->setPersistentStoreDescription(description);
    loadStore(*container);
    return container;
}

bool MyDataController::tryLoad(data::PersistentContainer& container)
{
    bool loaded = false;
    container.loadPersistentStores(
        [&loaded](const data::PersistentStoreDescription&, std::optional<foundation::Error> error) {
            if (error)
                KESVOR_DEBUG_LOG << "Failed to load core data stack: " + error->description;
            else
                KESVOR_DEBUG_LOG << "Core Data created successFully";
            loaded = !error;
        });
    return loaded;
}

void MyDataController::loadStore(data::PersistentContainer& container)
{
    if (tryLoad(container))
        return;
    // A damaged or foreign file must not leave the SDK without a store: it is
    // kept aside, where it can still be examined, and a new store takes its place.
    const QString path = container.persistentStoreDescription().url;
    if (!path.isEmpty() && setStoreAside(path) && tryLoad(container))
        return;
    // Nowhere to write in the data directory: an empty store in a temporary
    // directory serves this process.
    m_fallbackDirectory = std::make_unique<QTemporaryDir>();
    if (!m_fallbackDirectory->isValid())
        return;
    data::PersistentStoreDescription description = container.persistentStoreDescription();
    description.url = m_fallbackDirectory->filePath(
        StoreCoordinator::storePathComponent(QString::fromLatin1(STORE_NAME)));
    container.setPersistentStoreDescription(description);
    KESVOR_DEBUG_LOG << "using a temporary message store at" << description.url;
    tryLoad(container);
}

bool MyDataController::setStoreAside(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    const QString aside =
        path + QStringLiteral(".unreadable-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    foundation::Error error;
    if (!data::StoreFiles::move(path, aside, &error)) {
        KESVOR_DEBUG_LOG << "cannot set the unreadable store aside:" << error.description;
        return false;
    }
    KESVOR_DEBUG_LOG << "the unreadable store was moved to" << aside;
    return true;
}

std::shared_ptr<data::PersistentStoreCoordinator> MyDataController::myPersistentStoreCoordinator()
{
    return persistentContainer().persistentStoreCoordinator();
}

std::shared_ptr<data::ManagedObjectContext> MyDataController::context()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return persistentContainer().viewContext();
}

std::shared_ptr<data::ManagedObjectContext> MyDataController::backgoundContext()
{
    return persistentContainer().newBackgroundContext();
}

void MyDataController::addChat(const QVariantMap& chat)
{
    const auto context = backgoundContext();
    context->performAndWait([&] {
        const auto model = ChatModel::initWithDic(chat);
        auto stored = model ? model->asChatManagedObject(*context) : std::nullopt;
        const QVariant keyword = chat.value(foundation::rawValue(ChatKeyValues::messageKeyword));
        if (stored && keyword.typeId() == QMetaType::QString)
            stored->setMsgKeyword(keyword.toString());
        foundation::Error error;
        if (!context->save(&error))
            logSaveFailure(error);
    });
}

bool MyDataController::markUnsent(const QVariantMap& chat)
{
    KESVOR_ASSERT_MAIN_THREAD();
    const auto model = ChatModel::initWithDic(chat);
    if (!model)
        return false;
    auto request = Chat::fetchRequest();
    request.predicate = data::Predicate::withFormat(
        QStringLiteral("createdOn == %@ AND msgFrom == %@ AND messageId == nil AND "
                       "messageSentToAgentStatus == %@"),
        {model->createdOn(), model->msgFrom(), statusText(MessageStatusEnum::sending)});
    const auto context = backgoundContext();
    bool marked = false;
    context->performAndWait([&] {
        foundation::Error error;
        const auto found = context->fetch(request, &error);
        if (!found || found->isEmpty())
            return;
        for (const data::ObjectPtr& object : *found)
            Chat(object).setMessageSentToAgentStatus(statusText(MessageStatusEnum::unsent));
        marked = context->save(&error);
        if (!marked)
            logSaveFailure(error);
    });
    return marked;
}

void MyDataController::fetchOnQueue(const data::FetchRequest& request, ComplectionBlock completion)
{
    const auto context = backgoundContext();
    m_messageAddOperationQueue.addOperation([context, request, completion = std::move(completion)] {
        context->performAndWait([&] {
            foundation::Error error;
            const auto found = context->fetch(request, &error);
            if (!found) {
                KESVOR_DEBUG_LOG << "stored messages cannot be read:" << error.description;
                return;
            }
            QList<Chat> chats;
            chats.reserve(found->size());
            for (const data::ObjectPtr& object : *found)
                chats << Chat(object);
            completion(chats);
        });
    });
}

void MyDataController::sendingChats(const QString& customerId, WireMessagesBlock completion)
{
    auto request = Chat::fetchRequest();
    request.predicate = data::Predicate::withFormat(
        QStringLiteral("msgFrom == %@ AND messageId == nil AND messageSentToAgentStatus == %@"),
        {customerId, statusText(MessageStatusEnum::sending)});
    request.sortDescriptors = {{QStringLiteral("createdOn"), true}};
    fetchOnQueue(request, [completion = std::move(completion)](const QList<Chat>& chats) {
        QVariantList messages;
        messages.reserve(chats.size());
        for (const Chat& chat : chats)
            messages << ChatModel::customerWireMessage(chat);
        completion(messages);
    });
}

void MyDataController::unseenChats(const QString& customerId, ComplectionBlock completion)
{
    auto request = Chat::fetchRequest();
    request.predicate = data::Predicate::withFormat(
        QStringLiteral("msgFrom != %@ AND messageId != nil AND "
                       "(messageSentToCustomerStatus != %@ OR messageSentToCustomerStatus == nil)"),
        {customerId, statusText(MessageStatusEnum::seen)});
    request.sortDescriptors = {{QStringLiteral("createdOn"), true}};
    fetchOnQueue(request, std::move(completion));
}

void MyDataController::addChats(const QVariantList& chats, ComplectionBlock complectionBlock)
{
    const auto context = backgoundContext();
    const quint64 generation = m_generation.load();
    m_messageAddOperationQueue.addOperation([this, context, chats, complectionBlock, generation] {
        context->performAndWait([&] {
            // Each message the batch changed, once, in the order of its first change.
            QList<Chat> changed;
            changed.reserve(chats.size());
            ChatBatch batch(*context);
            ChatModelRuns runs(chats, m_messageParseQueue);
            while (auto run = runs.next())
                if (!storeRun(*context, batch, std::move(*run), generation, &changed))
                    return;
            if (complectionBlock)
                complectionBlock(unseenWithServerId(changed));
        });
    });
}

bool MyDataController::storeRun(data::ManagedObjectContext& context, ChatBatch& batch,
                                QList<ChatModel> run, quint64 generation, QList<Chat>* changed)
{
    // Each run is a transaction of its own, so a writer on another thread
    // waits for one run at most, and the store never holds half a run.
    // The write lock comes first: a clearChat() that began before it was
    // taken has counted its generation by then, and one that begins later
    // deletes this run after it is saved.
    foundation::Error error;
    if (!context.writePendingChanges(&error)) {
        logSaveFailure(error);
        return false;
    }
    if (m_generation.load() != generation) {
        KESVOR_DEBUG_LOG << "addChats: the store was cleared since the batch was handed in";
        context.rollback();
        return false;
    }
    batch.store(std::move(run), changed);
    if (!context.save(&error)) {
        logSaveFailure(error);
        context.rollback();
        return false;
    }
    return true;
}

void MyDataController::saveContext()
{
    KESVOR_ASSERT_MAIN_THREAD();
    const auto mainContext = context();
    if (!mainContext->hasChanges())
        return;
    foundation::Error error;
    if (!mainContext->save(&error))
        logSaveFailure(error);
}

void MyDataController::clearChat()
{
    KESVOR_ASSERT_MAIN_THREAD();
    // Batches handed in before now hold the messages being cleared: each
    // stops before its next run. The delete below waits for the run being
    // written, if any, and removes it with the rest.
    ++m_generation;
    const auto coordinator = myPersistentStoreCoordinator();
    if (!coordinator)
        return;
    const data::BatchDeleteRequest request{Chat::fetchRequest()};
    foundation::Error error;
    const auto deleted = coordinator->execute(request, *context(), &error);
    if (!deleted) {
        foundation::Console::print(QStringLiteral("Error Domain=%1 Code=%2 \"%3\"")
                                       .arg(error.domain)
                                       .arg(error.code)
                                       .arg(error.description));
        return;
    }
    KESVOR_DEBUG_LOG << "clearChat: deleted" << deleted->size() << "stored messages";
}

} // namespace kesvor
