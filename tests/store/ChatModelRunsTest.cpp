#include "store/StoreTestSupport.h"

#include "Store/ChatBatch.h"
#include "Store/ChatModelRuns.h"

#include "foundation/SerialQueue.h"

#include <QtCore/QDateTime>
#include <QtCore/QTimeZone>

#include <gtest/gtest.h>

using namespace kesvor;
using test::Wire;

namespace {

// A batch of count messages, one per second, with junk after every seventh
// when withJunk; the ids are the message numbers.
QVariantList batch(int count, bool withJunk)
{
    QVariantList elements;
    for (int i = 0; i < count; ++i) {
        const QString createdOn = QDateTime(QDate(2024, 5, 1), QTime(10, 0), QTimeZone::utc())
                                      .addSecs(i)
                                      .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'+0000'"));
        elements << Wire::at(createdOn).id(QString::number(i));
        if (withJunk && i % 7 == 0)
            elements << QVariant(QStringLiteral("not a message"))
                     << Wire::at(createdOn).without("msgTo");
    }
    return elements;
}

// Every run, in the order given, as the ids of its records.
QList<QStringList> drain(ChatModelRuns& runs)
{
    QList<QStringList> all;
    while (const auto run = runs.next()) {
        QStringList ids;
        for (const ChatModel& record : *run)
            ids << record.messageId().value_or(QString());
        all << ids;
    }
    return all;
}

} // namespace

TEST(ChatModelRunsTest, RunsHoldEveryMessageOnceInOrderAndLeaveOutTheRest)
{
    foundation::SerialQueue parseQueue;
    const qsizetype length = ChatBatch::runLength;
    for (const int count : {0, 1, int(length) - 1, int(length), int(length) + 1, 1000}) {
        for (const bool withJunk : {false, true}) {
            ChatModelRuns runs(batch(count, withJunk), parseQueue);
            const auto all = drain(runs);
            QStringList ids;
            for (qsizetype r = 0; r < all.size(); ++r) {
                // Full runs, only the last one shorter, none empty.
                EXPECT_FALSE(all[r].isEmpty());
                if (r + 1 < all.size()) {
                    EXPECT_EQ(all[r].size(), length) << count << " run " << r;
                }
                ids += all[r];
            }
            QStringList expected;
            for (int i = 0; i < count; ++i)
                expected << QString::number(i);
            EXPECT_EQ(ids, expected) << count << (withJunk ? " with junk" : "");
            EXPECT_FALSE(runs.next()) << "nothing after the end";
        }
    }
    // Only junk: no run at all, even past the first run's length.
    QVariantList junk(3 * length, QVariant(42));
    ChatModelRuns none(junk, parseQueue);
    EXPECT_FALSE(none.next());
}

TEST(ChatModelRunsTest, RunsLeftUnreadStopTheParsingAndTheQueueGoesOn)
{
    foundation::SerialQueue parseQueue;
    {
        ChatModelRuns runs(batch(20 * int(ChatBatch::runLength), false), parseQueue);
        ASSERT_TRUE(runs.next());
    }
    // The abandoned batch does not hold the queue: the next one is read in full.
    ChatModelRuns runs(batch(600, true), parseQueue);
    qsizetype records = 0;
    for (const QStringList& run : drain(runs))
        records += run.size();
    EXPECT_EQ(records, 600);
    parseQueue.waitUntilAllOperationsAreFinished();
}
