#include "foundation/SerialQueue.h"

#include "foundation/DebugLog.h"

#include <QtCore/QThread>

#include <exception>

#include <pthread.h>

namespace kesvor::foundation {

SerialQueue::SerialQueue(const QString& name)
    : m_name(name)
{
    m_worker = std::thread([this] { run(); });
}

SerialQueue::~SerialQueue()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    Q_ASSERT(!isCurrentQueue()); // an operation cannot destroy its own queue
    m_worker.join();
}

void SerialQueue::addOperation(Operation operation)
{
    if (!operation)
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_operations.push_back(std::move(operation));
    }
    m_wake.notify_one();
}

void SerialQueue::waitUntilAllOperationsAreFinished()
{
    Q_ASSERT(!isCurrentQueue());
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_operations.empty() && !m_busy; });
}

int SerialQueue::operationCount() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_operations.size()) + (m_busy ? 1 : 0);
}

bool SerialQueue::isCurrentQueue() const
{
    return std::this_thread::get_id() == m_worker.get_id();
}

void SerialQueue::run()
{
    if (!m_name.isEmpty()) {
        QThread::currentThread()->setObjectName(m_name);
        // The system keeps 15 characters of a thread's name (seen by debuggers and profilers).
        pthread_setname_np(pthread_self(), m_name.right(15).toUtf8().constData());
    }
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_operations.empty(); });
        if (m_operations.empty())
            return; // stopping, and everything queued has run
        Operation operation = std::move(m_operations.front());
        m_operations.pop_front();
        m_busy = true;
        lock.unlock();
        try {
            operation();
        } catch (const std::exception& error) {
            KESVOR_DEBUG_LOG << "SerialQueue" << m_name << "operation threw:" << error.what();
        } catch (...) {
            KESVOR_DEBUG_LOG << "SerialQueue" << m_name << "operation threw";
        }
        operation = nullptr; // release what it captured before reporting idle
        lock.lock();
        m_busy = false;
        if (m_operations.empty())
            m_idle.notify_all();
    }
}

} // namespace kesvor::foundation
