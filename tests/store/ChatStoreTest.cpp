#include "store/StoreTestSupport.h"

#include "Store/ChatBatch.h"
#include "Store/ChatModel.h"
#include "Store/MyDataController.h"
#include "data/FetchedResultsController.h"
#include "kesvor/Kesvor.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QThread>

#include <csignal>
#include <future>
#include <sys/resource.h>

using namespace kesvor;
using test::addChatsAndWait;
using test::idsOf;
using test::storedChats;
using test::Wire;

namespace {

MyDataController& store()
{
    return MyDataController::sharedInstance();
}

Wire customerMessage(int second, int millisecond = 0)
{
    return Wire::at(second, millisecond, "customer-1")
        .set("msgTo", "bot")
        .set("senderRole", "customer")
        .text("hi from the customer");
}

} // namespace

TEST(ChatStoreTest, TheCustomersLocalCopyAndItsEchoBecomeOneMessage)
{
    store().addChat(customerMessage(5, 120));
    auto stored = storedChats();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_FALSE(stored[0].messageId());
    EXPECT_EQ(stored[0].messageSentToAgentStatus(), "sending");

    // The echo writes its timestamp another way; the instant is the same.
    const auto unseen = addChatsAndWait({Wire::at("2024-05-01T10:00:05.120Z", "customer-1")
                                             .set("msgTo", "bot")
                                             .text("hi from the customer")
                                             .id("m-1")
                                             .agentStatus("sent")});
    ASSERT_TRUE(unseen);
    EXPECT_EQ(idsOf(*unseen), QStringList{"m-1"});
    stored = storedChats();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].messageId(), "m-1");
    EXPECT_EQ(stored[0].messageSentToAgentStatus(), "sent");
    EXPECT_EQ(stored[0].messageSentToCustomerStatus(), "sent");
    EXPECT_EQ(stored[0].msgTo(), "bot");
    EXPECT_EQ(stored[0].date(), "2024-05-01");
    EXPECT_TRUE(stored[0].msgKeyword().isNull());

    // One millisecond apart is another message.
    store().addChat(customerMessage(5, 121));
    EXPECT_EQ(storedChats().size(), 2);
}

TEST(ChatStoreTest, TheCustomersUnechoedMessagesAreReadBackAsTheyWereSent)
{
    // A quick reply: its keyword is not its text.
    const QVariantMap postback =
        Wire(customerMessage(1, 5)).set("roomId", "room-9").set("msgKeyWord", "TRACK_ORDER");
    store().addChat(postback);
    store().addChat(customerMessage(2));           // echoed below
    store().addChat(customerMessage(3));           // refused by the service, below
    store().addChat(Wire::at(4).id("from-agent")); // not the customer's
    EXPECT_TRUE(addChatsAndWait({Wire(customerMessage(2)).id("m-2").agentStatus("sent")}));
    EXPECT_TRUE(store().markUnsent(customerMessage(3)));
    EXPECT_FALSE(store().markUnsent(customerMessage(3))) << "no longer sending";

    std::promise<QVariantList> sending;
    store().sendingChats("customer-1",
                         [&](const QVariantList& messages) { sending.set_value(messages); });
    const QVariantList messages = sending.get_future().get();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first().toMap(), postback) << "the same keys, text and keyword";
    EXPECT_EQ(storedChats()[2].messageSentToAgentStatus(), "unsent");
}

TEST(ChatStoreTest, ChangesUpdateTheStoredMessageAndRepeatsReturnNothing)
{
    const Wire message = Wire::at(7).id("m-7").customerStatus("sent");
    EXPECT_EQ(idsOf(*addChatsAndWait({message})), QStringList{"m-7"});
    EXPECT_EQ(idsOf(*addChatsAndWait({message})), QStringList{}); // unchanged: nothing
    // The same content in another key order and number form is unchanged too.
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire(message).set(
                  "msg", QVariantHash{{"message", QVariantMap{{"text", "hello"}}}})})),
              QStringList{});

    EXPECT_EQ(idsOf(*addChatsAndWait({Wire(message).customerStatus("seen")})), QStringList{});
    auto stored = storedChats();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].messageSentToCustomerStatus(), "seen");

    EXPECT_EQ(idsOf(*addChatsAndWait({Wire(message).text("edited")})), QStringList{"m-7"});
    EXPECT_EQ(storedChats()[0].msg()->value("message").toMap().value("text"), "edited");
    // Found by its id alone when the timestamp differs.
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire::at(9).id("m-7").text("moved")})), QStringList{"m-7"});
    stored = storedChats();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].createdOn().time().second(), 9);

    // Text the store can only keep in its UTF-8 form (where an unpaired
    // surrogate becomes "?") still arrives unchanged the second time.
    const Wire broken = Wire::at(8).id("m-8").text(QStringLiteral("a ") + QChar(0xDE00));
    EXPECT_EQ(idsOf(*addChatsAndWait({broken})), QStringList{"m-8"});
    EXPECT_EQ(idsOf(*addChatsAndWait({broken})), QStringList{});
    EXPECT_EQ(storedChats().last().msg()->value("message").toMap().value("text").toString(), "a ?");
}

TEST(ChatStoreTest, ServiceMessagesWithDifferentIdsAreTwoMessagesAtAnyMoment)
{
    // A bot answering twice within one millisecond.
    const auto unseen = addChatsAndWait(
        {Wire::at(4, 500).id("m-1").text("first"), Wire::at(4, 500).id("m-2").text("second")});
    ASSERT_TRUE(unseen);
    EXPECT_EQ(idsOf(*unseen), (QStringList{"m-1", "m-2"}));
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire::at(4, 500).id("m-3").text("third")})),
              QStringList{"m-3"});
    EXPECT_EQ(idsOf(storedChats()), (QStringList{"m-1", "m-2", "m-3"}));
    // Each is still found by its id, and a repeat changes nothing.
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire::at(4, 500).id("m-2").text("second")})), QStringList{});
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire::at(4, 500).id("m-2").customerStatus("seen")})),
              QStringList{});
    const auto stored = storedChats();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[1].messageSentToCustomerStatus(), "seen");
    EXPECT_EQ(stored[0].msg()->value("message").toMap().value("text"), "first");
}

TEST(ChatStoreTest, OnlyApprovedMessagesAreStored)
{
    const Wire message = Wire::at(3).id("m-3");
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire(message).approval("unapproved")})), QStringList{});
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire(message).approval("rejected")})), QStringList{});
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire(message).approval("Approved")})), QStringList{});
    EXPECT_TRUE(storedChats().isEmpty());
    EXPECT_EQ(idsOf(*addChatsAndWait({message})), QStringList{"m-3"});
    EXPECT_EQ(storedChats().size(), 1);
}

TEST(ChatStoreTest, BatchesAreStoredInOrderAndEachSeesWhatCameBefore)
{
    QList<QStringList> completions;
    Qt::HANDLE completionThread = nullptr;
    QString roomRead;
    const Wire first = Wire::at(1).id("m-1");
    for (const QVariantList& batch : {QVariantList{first, Wire::at(2).id("m-2"), first},
                                      QVariantList{Wire(first).customerStatus("seen")},
                                      QVariantList{Wire::at(2).id("m-2").agentStatus("seen")}}) {
        store().addChats(batch, [&](const QList<Chat>& unseen) {
            completions << idsOf(unseen);
            completionThread = QThread::currentThreadId();
            for (const Chat& chat : unseen)
                roomRead = chat.roomId();
        });
    }
    store().messageAddOperationQueue().waitUntilAllOperationsAreFinished();
    EXPECT_EQ(completions, (QList<QStringList>{{"m-1", "m-2"}, {}, {"m-2"}}));
    EXPECT_NE(completionThread, QThread::currentThreadId());
    EXPECT_EQ(roomRead, "room-1");
    const auto stored = storedChats();
    EXPECT_EQ(idsOf(stored), (QStringList{"m-1", "m-2"}));
    EXPECT_EQ(stored[0].messageSentToCustomerStatus(), "seen");
    EXPECT_EQ(stored[1].messageSentToAgentStatus(), "seen");
}

TEST(ChatStoreTest, TheCompletionListsStoredUnseenMessagesWithServerIdsOnly)
{
    const auto unseen = addChatsAndWait({
        Wire::at(1).id("sent"),
        Wire::at(2).id("seen").customerStatus("seen"),
        Wire::at(3).id("unsent").customerStatus("unsent"),
        Wire::at(4), // no server id
        Wire::at(5).id("held").approval("unapproved"),
        Wire::at(6).id("no-date").without("createdOn"),
        QVariant("not a message"),
        QVariant(42),
        QVariant(QVariantList{Wire::at(7).id("nested")}),
        Wire::at(8).id("odd-status").customerStatus("Seen"),
    });
    ASSERT_TRUE(unseen);
    EXPECT_EQ(idsOf(*unseen), (QStringList{"sent", "unsent", "odd-status"}));
    EXPECT_EQ(idsOf(storedChats()), (QStringList{"sent", "seen", "unsent", "-", "odd-status"}));
    EXPECT_EQ(idsOf(*addChatsAndWait({})), QStringList{});
}

TEST(ChatStoreTest, SeveralStoredCopiesOfOneMessageAreUpdatedNotMultiplied)
{
    // Copies like these are left by stores written before duplicates were caught.
    auto context = store().backgoundContext();
    context->performAndWait([&] {
        for (const char* text : {"copy one", "copy two"}) {
            auto chat = Chat::insertNew(*context);
            const auto model = ChatModel::initWithDic(Wire::at(4).text(text));
            chat->setMsgFrom(model->msgFrom());
            chat->setCreatedOn(model->createdOn());
            chat->setMsg(model->msg());
        }
        ASSERT_TRUE(context->save());
    });
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire::at(4).id("m-4").text("echo")})), QStringList{"m-4"});
    const auto stored = storedChats();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].messageId(), "m-4");
    EXPECT_EQ(stored[0].msg()->value("message").toMap().value("text"), "echo");
    EXPECT_FALSE(stored[1].messageId());
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire::at(4).id("m-4").text("echo")})), QStringList{});
}

TEST(ChatStoreTest, ClearChatEmptiesTheStoreAndEverythingThatShowsIt)
{
    addChatsAndWait({Wire::at(1).id("a"), Wire::at(2).id("b"), Wire::at(3).id("c")});
    auto main = store().context();
    auto request = Chat::fetchRequest();
    request.sortDescriptors = {{"date", true}, {"createdOn", true}};
    data::FetchedResultsController controller(request, main, "date");
    ASSERT_TRUE(test::waitUntil([&] {
        controller.performFetch();
        return controller.fetchedObjects()->size() == 3;
    }));
    const auto shown = *controller.fetchedObjects();
    store().clearChat();
    // At once, without waiting for any merge.
    EXPECT_TRUE(controller.fetchedObjects()->isEmpty());
    EXPECT_TRUE(controller.sections()->isEmpty());
    EXPECT_FALSE(shown[0]->managedObjectContext());
    EXPECT_TRUE(storedChats().isEmpty());
    EXPECT_EQ(main->count(Chat::fetchRequest()), 0);

    addChatsAndWait({Wire::at(4).id("d")});
    EXPECT_EQ(storedChats().size(), 1);
    Kesvor::clearChat();
    EXPECT_TRUE(storedChats().isEmpty());
    store().clearChat(); // clearing an empty store is fine
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire::at(1).id("a")})), QStringList{"a"});
}

TEST(ChatStoreTest, ClearChatDropsTheBatchesHandedInBeforeIt)
{
    // A history waits on the queue behind other work when the store is cleared.
    std::promise<void> release;
    store().messageAddOperationQueue().addOperation(
        [ready = release.get_future().share()] { ready.wait(); });
    QVariantList history;
    for (int i = 0; i < 3 * ChatBatch::runLength; ++i)
        history << Wire::at(QStringLiteral("2024-05-03T10:%1:%2.000+0000")
                                .arg(i / 60, 2, 10, QLatin1Char('0'))
                                .arg(i % 60, 2, 10, QLatin1Char('0')))
                       .id(QStringLiteral("old-%1").arg(i));
    bool completed = false;
    store().addChats(history, [&completed](const QList<Chat>&) { completed = true; });
    store().clearChat();
    store().addChat(customerMessage(5)); // the new customer's first message
    const auto newer = Wire::at(6).id("new");
    store().addChats({newer}, {});
    release.set_value();
    store().messageAddOperationQueue().waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(completed);
    EXPECT_EQ(idsOf(storedChats()), (QStringList{"-", "new"}));

    // A clear while a history is being written leaves none of it either,
    // whichever run it meets.
    store().addChats(history, {});
    ASSERT_TRUE(test::waitUntil([] { return storedChats().size() > 2; }));
    store().clearChat();
    store().messageAddOperationQueue().waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(storedChats().isEmpty()) << storedChats().size() << " messages left";
}

TEST(ChatStoreTest, SaveContextWritesTheMainContextsChangesOnly)
{
    addChatsAndWait({Wire::at(1).id("a")});
    auto main = store().context();
    store().saveContext(); // nothing to save
    ASSERT_TRUE(test::waitUntil([&] { return main->count(Chat::fetchRequest()) == 1; }));
    Chat chat(main->fetch(Chat::fetchRequest())->first());
    chat.setMessageSentToCustomerStatus("seen");
    EXPECT_TRUE(main->hasChanges());
    store().saveContext();
    EXPECT_FALSE(main->hasChanges());
    EXPECT_EQ(storedChats()[0].messageSentToCustomerStatus(), "seen");
}

TEST(ChatStoreTest, AFullDiskDropsTheBatchAndTheStoreKeepsWorking)
{
    addChatsAndWait({Wire::at(1).id("before")});
    std::signal(SIGXFSZ, SIG_IGN); // writes past the limit fail instead of ending the process
    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit tiny = original;
    tiny.rlim_cur = 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);

    QVariantList big;
    for (int i = 0; i < 400; ++i)
        big << Wire::at(QStringLiteral("2024-05-02T10:%1:%2.000+0000")
                            .arg(i / 60, 2, 10, QLatin1Char('0'))
                            .arg(i % 60, 2, 10, QLatin1Char('0')))
                   .id(QStringLiteral("big-%1").arg(i))
                   .text(QString(2000, QLatin1Char('x')));
    EXPECT_FALSE(addChatsAndWait(big));  // no completion for a batch that was not saved
    store().addChat(customerMessage(9)); // a small message still fits
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &original), 0);

    EXPECT_EQ(idsOf(storedChats()), (QStringList{"before", "-"}));
    EXPECT_EQ(idsOf(*addChatsAndWait({Wire::at(2).id("after")})), QStringList{"after"});
    EXPECT_EQ(addChatsAndWait(big)->size(), 400);
    EXPECT_EQ(storedChats().size(), 403);
}

TEST(ChatStoreTest, TheDuplicateLookupSearchesIndexesNotTheWholeTable)
{
    addChatsAndWait({Wire::at(1).id("a"), Wire::at(2).id("b")});
    for (const bool withId : {true, false}) {
        auto request = Chat::fetchRequest();
        const QDateTime createdOn = storedChats()[0].createdOn();
        request.predicate = withId
                                ? data::Predicate::withFormat(
                                      "(createdOn == %@ AND msgFrom == %@) OR (messageId == %@)",
                                      {createdOn, "agent-1", "a"})
                                : data::Predicate::withFormat("createdOn == %@ AND msgFrom == %@",
                                                              {createdOn, "agent-1"});
        const auto plan = store().backgoundContext()->queryPlan(request);
        ASSERT_TRUE(plan);
        EXPECT_FALSE(plan->contains("SCAN")) << plan->toStdString();
        EXPECT_TRUE(plan->contains("Chat_byCreatedOnAndSender")) << plan->toStdString();
        EXPECT_EQ(plan->contains("Chat_byMessageId"), withId) << plan->toStdString();
    }
    // Long batches look up a whole run of messages at once.
    auto request = Chat::fetchRequest();
    request.predicate = data::Predicate::withFormat(
        "createdOn IN %@ OR messageId IN %@",
        {QVariantList{storedChats()[0].createdOn()}, QVariantList{"a", "b"}});
    const auto plan = store().backgoundContext()->queryPlan(request);
    ASSERT_TRUE(plan);
    EXPECT_FALSE(plan->contains("SCAN Chat")) << plan->toStdString();
    EXPECT_TRUE(plan->contains("Chat_byCreatedOnAndSender")) << plan->toStdString();
    EXPECT_TRUE(plan->contains("Chat_byMessageId")) << plan->toStdString();
}
