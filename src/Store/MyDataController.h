#pragma once

#include "Store/Chat.h"
#include "Store/ChatModel.h"
#include "Store/StoreNames.h"

#include "data/ManagedObjectContext.h"
#include "data/PersistentContainer.h"
#include "data/PersistentStoreCoordinator.h"
#include "foundation/SerialQueue.h"

#include <QtCore/QTemporaryDir>
#include <QtCore/QVariantList>
#include <QtCore/QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace kesvor {

class ChatBatch;

/// The message store: the store stack over "kesvor.sqlite", the main context
/// the conversation screen reads, background contexts for writing, and the
/// serial queue that orders batch writes. Built on first use; a store file
/// that cannot be opened is set aside and replaced by an empty one, so the
/// store always works.
class MyDataController {
public:
    /// Receives the stored messages of a batch that carry a server id and
    /// have not been seen by the customer.
    using ComplectionBlock = std::function<void(const QList<Chat>& chats)>;

    static MyDataController& sharedInstance();

    /// Runs the batch writes of addChats(), one at a time, in order.
    foundation::SerialQueue& messageAddOperationQueue() { return m_messageAddOperationQueue; }

    std::shared_ptr<data::PersistentStoreCoordinator> myPersistentStoreCoordinator();
    /// The main context (main thread only). It merges every background save.
    std::shared_ptr<data::ManagedObjectContext> context();
    /// A new private context on every call; its saves go to the store.
    std::shared_ptr<data::ManagedObjectContext> backgoundContext();

    /// Receives wire messages.
    using WireMessagesBlock = std::function<void(const QVariantList& messages)>;

    /// Stores one message (the customer's own) and returns when it is saved.
    /// The keyword it is sent with ("msgKeyWord") is kept with it, so that it
    /// can be sent again as it was.
    void addChat(const QVariantMap& chat);

    /// Marks the stored copy of the customer's own message chat (a wire
    /// message without a server id) "unsent" towards the agent, when it is
    /// still "sending"; false when there is no such copy. Main thread.
    bool markUnsent(const QVariantMap& chat);

    /// On messageAddOperationQueue(), after every batch handed in before:
    /// completion receives the customer's own messages that the service has
    /// not echoed yet (no server id) and that are still "sending", oldest
    /// first, as ChatModel::customerWireMessage() gives them.
    void sendingChats(const QString& customerId, WireMessagesBlock completion);
    /// On the queue likewise: completion receives every stored message from
    /// someone other than the customer that has a server id and is not
    /// "seen" towards the customer, oldest first.
    void unseenChats(const QString& customerId, ComplectionBlock completion);

    /// Stores a batch on messageAddOperationQueue() and returns at once.
    /// The batch is saved run by run (ChatBatch::runLength messages each, one
    /// transaction per run), so other writers wait for one run at most. After
    /// the last run is saved, complectionBlock runs on the queue's thread
    /// with the messages this batch stored or changed that have a server id
    /// and are not "seen" towards the customer; the objects stay readable
    /// there and afterwards. A run that cannot be saved ends the batch
    /// without a call (the runs before it stay stored), and so does a
    /// clearChat() made after the batch was handed in.
    void addChats(const QVariantList& chats, ComplectionBlock complectionBlock);

    /// Saves the main context if it has changes.
    void saveContext();

    /// Deletes every stored message; the main context and everything showing
    /// its objects drop them at once. Batches handed to addChats() before
    /// are not written (what they wrote already is deleted too), so no
    /// message of before the clear comes back. Waits for the run being
    /// written, if any. Main thread only.
    void clearChat();

    /// Counts the clearChat() calls. Work handed in under an older
    /// generation belongs to a store that was cleared since.
    quint64 generation() const { return m_generation.load(); }

private:
    MyDataController();

    data::PersistentContainer& persistentContainer();
    std::unique_ptr<data::PersistentContainer> makeContainer();
    void loadStore(data::PersistentContainer& container);
    bool tryLoad(data::PersistentContainer& container);
    bool setStoreAside(const QString& path);
    // Fetches on the queue, after the work handed in before, with a
    // background context of its own.
    void fetchOnQueue(const data::FetchRequest& request, ComplectionBlock completion);
    bool storeRun(data::ManagedObjectContext& context, ChatBatch& batch, QList<ChatModel> run,
                  quint64 generation, QList<Chat>* changed);

    std::once_flag m_containerOnce;
    std::unique_ptr<data::PersistentContainer> m_persistentContainer;
    std::unique_ptr<QTemporaryDir> m_fallbackDirectory;
    std::atomic<quint64> m_generation{0};
    // Reads the later runs of a long batch while the earlier ones are stored.
    foundation::SerialQueue m_messageParseQueue;
    // Last, so that it goes first: batches still queued at exit are written
    // while the store stack and the parsing queue are still there.
    foundation::SerialQueue m_messageAddOperationQueue;
};

} // namespace kesvor
