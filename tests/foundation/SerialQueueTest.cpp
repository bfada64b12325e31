#include "foundation/SerialQueue.h"

#include <gtest/gtest.h>

#include <QtCore/QThread>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using kesvor::foundation::SerialQueue;

TEST(SerialQueueTest, RunsOneOperationAtATimeInSubmissionOrderOffTheCallingThread)
{
    SerialQueue queue(QStringLiteral("test.queue"));
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> onCaller{false};
    const auto caller = std::this_thread::get_id();
    for (int i = 0; i < 200; ++i) {
        queue.addOperation([&, i] {
            if (running.fetch_add(1) != 0)
                overlapped = true;
            if (std::this_thread::get_id() == caller)
                onCaller = true;
            EXPECT_TRUE(queue.isCurrentQueue());
            order.push_back(i);
            running.fetch_sub(1);
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(overlapped);
    EXPECT_FALSE(onCaller);
    EXPECT_FALSE(queue.isCurrentQueue());
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[size_t(i)], i);
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(SerialQueueTest, OperationsFromSeveralThreadsAllRunAndKeepEachThreadsOrder)
{
    SerialQueue queue;
    std::mutex mutex;
    std::vector<std::pair<int, int>> seen;
    std::vector<std::thread> producers;
    for (int producer = 0; producer < 4; ++producer) {
        producers.emplace_back([&, producer] {
            for (int i = 0; i < 100; ++i)
                queue.addOperation([&, producer, i] {
                    const std::lock_guard lock(mutex);
                    seen.emplace_back(producer, i);
                });
        });
    }
    for (auto& thread : producers)
        thread.join();
    queue.waitUntilAllOperationsAreFinished();
    ASSERT_EQ(seen.size(), 400u);
    std::vector<int> next(4, 0);
    for (const auto& [producer, i] : seen)
        EXPECT_EQ(i, next[size_t(producer)]++);
}

TEST(SerialQueueTest, DestructionRunsWhatIsQueuedAndAThrowingOperationDoesNotStopTheQueue)
{
    std::atomic<int> ran{0};
    {
        SerialQueue queue;
        queue.addOperation([] { QThread::msleep(20); });
        queue.addOperation([] { throw std::runtime_error("boom"); });
        for (int i = 0; i < 10; ++i)
            queue.addOperation([&] { ++ran; });
        queue.addOperation({}); // an empty operation is ignored
    }
    EXPECT_EQ(ran, 10);
}
