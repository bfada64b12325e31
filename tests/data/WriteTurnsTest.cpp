#include "data/DataTestFixture.h"

#include "data/DataError.h"
#include "data/WriteTurns.h"
#include "support/TestSupport.h"

#include <mutex>
#include <thread>

using namespace kesvor;
using namespace std::chrono_literals;

namespace {

class WriteTurnsTest : public test::DataTestFixture {
protected:
    // Appends to the order in which writers got through, from any thread.
    void finished(const QString& who)
    {
        const std::lock_guard lock(m_mutex);
        m_order << who;
    }
    QStringList order()
    {
        const std::lock_guard lock(m_mutex);
        return m_order;
    }

private:
    std::mutex m_mutex;
    QStringList m_order;
};

} // namespace

// A writer that commits and begins again at once would keep a waiting one
// out for as long as it goes on; in turns, the waiting one comes next.
TEST_F(WriteTurnsTest, WritersGetTheStoreInTheOrderTheyAskedForIt)
{
    auto holder = newContext();
    insertNote(*holder, "first");
    ASSERT_TRUE(holder->writePendingChanges()); // holds the store
    data::WriteTurns& turns = m_coordinator->writeTurns();
    EXPECT_EQ(turns.queued(), 1);

    std::jthread waiting([&] {
        auto context = newContext();
        insertNote(*context, "waiting");
        EXPECT_TRUE(context->save());
    });
    ASSERT_TRUE(test::waitUntil([&] { return turns.queued() == 2; }));
    // The holder commits and is back at once, before the waiting writer has
    // woken up: the rows tell who wrote when.
    ASSERT_TRUE(holder->save());
    insertNote(*holder, "again");
    ASSERT_TRUE(holder->save());
    waiting.join();
    EXPECT_EQ(storedTitles(), (QStringList{"first", "waiting", "again"}));
    EXPECT_EQ(turns.queued(), 0);
}

TEST_F(WriteTurnsTest, AWriterThatGivesUpLeavesNoGapInTheLine)
{
    data::WriteTurns turns;
    auto held = turns.take(1s);
    ASSERT_TRUE(held);
    foundation::Error error;
    std::jthread([&] { EXPECT_FALSE(turns.take(1ms, &error)); }).join();
    EXPECT_EQ(error.code, data::DataError::StoreBusy);
    EXPECT_EQ(turns.queued(), 1);

    held.reset();
    EXPECT_TRUE(turns.take(0ms)) << "the turn given up is skipped";
    // Moving a turn hands it on; only the last owner ends it.
    auto first = turns.take(0ms);
    ASSERT_TRUE(first);
    data::WriteTurns::Turn moved = std::move(*first);
    first.reset();
    EXPECT_EQ(turns.queued(), 1);
}

TEST_F(WriteTurnsTest, ABatchDeleteWaitsForTheTransactionInProgressAndRemovesItsRows)
{
    auto writer = newContext();
    insertNote(*writer, "written meanwhile");
    ASSERT_TRUE(writer->writePendingChanges());
    std::jthread deleting([&] {
        auto main = newContext();
        EXPECT_TRUE(m_coordinator->execute(
            data::BatchDeleteRequest{data::FetchRequest::forEntity("Note")}, *main));
        finished("deleted");
    });
    ASSERT_TRUE(test::waitUntil([&] { return m_coordinator->writeTurns().queued() == 2; }));
    EXPECT_TRUE(order().isEmpty());
    ASSERT_TRUE(writer->save());
    deleting.join();
    EXPECT_TRUE(storedTitles().isEmpty());
}
