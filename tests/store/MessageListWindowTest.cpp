#include "store/StoreTestSupport.h"

#include "Store/MyDataController.h"
#include "data/FetchedResultsController.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QTimeZone>

#include <ctime>

using namespace kesvor;
using data::FetchedResultsChangeType;
using test::Wire;

namespace {

// The message list's query: every message, by day and time, one section a day.
class MessageListWindowTest : public ::testing::Test,
                              public data::FetchedResultsControllerDelegate {
protected:
    void SetUp() override
    {
        qputenv("TZ", "UTC");
        tzset();
        QVariantList history;
        for (int i = 0; i < 45; ++i) // 15 messages on each of three days
            history << Wire::at(QStringLiteral("2024-05-0%1T09:%2:00.000+0000")
                                    .arg(1 + i / 15)
                                    .arg(i % 15, 2, 10, QLatin1Char('0')))
                           .id(QStringLiteral("h%1").arg(i));
        ASSERT_TRUE(test::addChatsAndWait(history));
    }

    std::unique_ptr<data::FetchedResultsController> makeController()
    {
        auto context = MyDataController::sharedInstance().context();
        const auto total = context->count(Chat::fetchRequest());
        EXPECT_EQ(total, 45);
        auto request = Chat::fetchRequest();
        request.sortDescriptors = {{"date", true}, {"createdOn", true}};
        request.fetchOffset = *total >= 20 ? *total - 20 : 0;
        auto controller =
            std::make_unique<data::FetchedResultsController>(request, context, "date");
        controller->setDelegate(this);
        EXPECT_TRUE(controller->performFetch());
        return controller;
    }

    static int shown(const data::FetchedResultsController& controller)
    {
        return int(controller.fetchedObjects()->size());
    }

    static QString firstId(const data::FetchedResultsController& controller)
    {
        return *Chat(controller.fetchedObjects()->first()).messageId();
    }

    void controllerDidChangeSection(data::FetchedResultsController&,
                                    const data::FetchedResultsSectionInfo& section, int index,
                                    FetchedResultsChangeType type) override
    {
        changes << QStringLiteral("section %1 %2 %3")
                       .arg(type == FetchedResultsChangeType::Insert ? "+" : "-")
                       .arg(index)
                       .arg(section.name);
    }
    void controllerDidChangeObject(data::FetchedResultsController&, const data::ObjectPtr& object,
                                   std::optional<data::IndexPath> from,
                                   FetchedResultsChangeType type,
                                   std::optional<data::IndexPath> to) override
    {
        const auto path = type == FetchedResultsChangeType::Insert ? *to : *from;
        const char* kind[] = {"insert", "delete", "move", "update"};
        changes << QStringLiteral("%1 %2 [%3,%4]")
                       .arg(kind[int(type)], Chat(object).messageId().value_or("-"))
                       .arg(path.section)
                       .arg(path.item);
    }
    void controllerDidChangeContent(data::FetchedResultsController&) override { changes << "done"; }

    QStringList waitForChanges()
    {
        test::waitUntil([this] { return changes.contains("done"); });
        return std::exchange(changes, {});
    }

    QStringList changes;
};

} // namespace

TEST_F(MessageListWindowTest, PagingOlderMessagesWidensTheWindowFromTheNewestTwenty)
{
    auto controller = makeController();
    EXPECT_EQ(controller->fetchRequest().fetchOffset, 25);
    EXPECT_EQ(shown(*controller), 20);
    EXPECT_EQ(firstId(*controller), "h25");
    ASSERT_EQ(controller->sections()->size(), 2);
    EXPECT_EQ((*controller->sections())[0].name, "2024-05-02");
    EXPECT_EQ((*controller->sections())[0].numberOfObjects, 5);
    EXPECT_EQ((*controller->sections())[1].numberOfObjects, 15);

    for (const auto& [offset, count, first] : {std::tuple{5, 40, "h5"}, std::tuple{0, 45, "h0"}}) {
        controller->fetchRequest().fetchOffset = offset;
        ASSERT_TRUE(controller->performFetch());
        EXPECT_EQ(shown(*controller), count);
        EXPECT_EQ(firstId(*controller), first);
    }
    EXPECT_EQ(controller->sections()->size(), 3);
}

TEST_F(MessageListWindowTest, NewMessagesJoinTheWindowAndChangesReachIt)
{
    auto controller = makeController();
    // A message of a new day: its section and the message arrive in one change set.
    test::addChatsAndWait({Wire::at("2024-05-04T08:00:00.000+0000").id("new")});
    EXPECT_EQ(waitForChanges(),
              (QStringList{"section + 2 2024-05-04", "insert new [2,0]", "done"}));
    EXPECT_EQ(shown(*controller), 21);

    test::addChatsAndWait(
        {Wire::at("2024-05-03T09:14:00.000+0000").id("h44").customerStatus("seen")});
    EXPECT_EQ(waitForChanges(), (QStringList{"update h44 [1,14]", "done"}));

    // The customer's own message shows before its echo arrives, then turns into it.
    MyDataController::sharedInstance().addChat(
        Wire::at("2024-05-04T08:00:01.000+0000", "customer-1").agentStatus("sending"));
    const QStringList local = waitForChanges();
    ASSERT_EQ(local.size(), 2);
    EXPECT_TRUE(local[0].startsWith("insert - [2,1]")) << local[0].toStdString();
    test::addChatsAndWait(
        {Wire::at("2024-05-04T08:00:01.000+0000", "customer-1").id("echo").agentStatus("sent")});
    EXPECT_EQ(waitForChanges(), (QStringList{"update echo [2,1]", "done"}));
    EXPECT_EQ(shown(*controller), 22);
}
