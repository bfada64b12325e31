#include "support/SdkSessionTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QSet>

using namespace kesvor;

namespace {

class ServiceRestartTest : public test::SdkSessionTest {
protected:
    test::ChatServiceOptions serviceOptions() const override
    {
        test::ChatServiceOptions options;
        options.keepsState = true;
        return options;
    }
};

} // namespace

TEST_F(ServiceRestartTest, EachMessageIsStoredOnceWhenTheServiceRestartsDuringTheHistory)
{
    constexpr int historySize = 200;
    ASSERT_TRUE(
        service().configure({{"history", QVariantMap{{"count", historySize}, {"seen", 100}}}}));
    // The restart follows the history request at once: the answer may be on
    // its way, half written to the store, or never sent.
    startSession();
    ASSERT_TRUE(service().restart()) << service().errorString().toStdString();

    const QVariantList rooms = service().state()["rooms"].toList();
    ASSERT_EQ(rooms.size(), 1);
    QStringList expected;
    for (const QVariant& message : rooms.first().toMap()["messages"].toList())
        expected << message.toMap()["_id"].toString();
    ASSERT_EQ(expected.size(), historySize);

    // The restarted service is asked for the same room's history again.
    ASSERT_TRUE(test::waitUntil([&] { return received("old-chats").size() == 1; }, 15'000));
    ASSERT_TRUE(test::waitUntil([&] { return storedMessages().size() >= historySize; }, 10'000));
    // A last message after everything else: once it is stored, every answer
    // the service gave before it has been written.
    const auto marker =
        service().injectMessage({{"roomId", rooms.first().toMap()["roomId"]}, {"text", "marker"}});
    ASSERT_TRUE(marker);
    ASSERT_TRUE(test::waitUntil([&] { return storedMessages().size() > historySize; }, 10'000));
    waitForStore();
    QStringList stored;
    for (const QVariant& message : storedMessages())
        stored << message.toMap()["_id"].toString();
    EXPECT_EQ(stored, expected + QStringList{(*marker)["_id"].toString()});
    EXPECT_EQ(QSet<QString>(stored.begin(), stored.end()).size(), historySize + 1);
    EXPECT_EQ(connectNotifications(), 2);
}
