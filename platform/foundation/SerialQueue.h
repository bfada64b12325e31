#pragma once

#include <QtCore/QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kesvor::foundation {

/// An operation queue that runs one operation at a time, in the order they
/// were added, on a worker thread of its own. Destroying the queue runs what is
/// still queued and then joins the worker, so no added operation is lost.
/// Adding and waiting are safe from any thread.
class SerialQueue {
public:
    using Operation = std::function<void()>;

    explicit SerialQueue(const QString& name = {});
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    /// Always 1: the queue is serial.
    static constexpr int maxConcurrentOperationCount() { return 1; }

    void addOperation(Operation operation);

    /// Blocks until every operation added so far has finished. Must not be
    /// called from an operation of this queue.
    void waitUntilAllOperationsAreFinished();

    /// Operations queued or running.
    int operationCount() const;

    /// True inside an operation of this queue.
    bool isCurrentQueue() const;

private:
    void run();

    QString m_name;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Operation> m_operations;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;
};

} // namespace kesvor::foundation
