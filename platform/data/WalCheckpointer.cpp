#include "data/WalCheckpointer.h"

#include "data/SqliteDatabase.h"

#include "foundation/DebugLog.h"

#include <sqlite3.h>

namespace kesvor::data {

WalCheckpointer::WalCheckpointer(QString path)
    : m_path(std::move(path))
    , m_thread([this](std::stop_token stop) { run(std::move(stop)); })
{
}

WalCheckpointer::~WalCheckpointer()
{
    m_thread.request_stop();
    m_wake.notify_all();
}

void WalCheckpointer::committed(int walPages)
{
    if (walPages >= checkpointPages)
        request();
}

void WalCheckpointer::request()
{
    {
        const std::lock_guard lock(m_mutex);
        m_requested = true;
    }
    m_wake.notify_one();
}

void WalCheckpointer::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_requested && !m_running; });
}

void WalCheckpointer::run(std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    while (!stop.stop_requested() && m_wake.wait(lock, stop, [this] { return m_requested; })) {
        m_requested = false;
        m_running = true;
        lock.unlock();
        checkpoint();
        lock.lock();
        m_running = false;
        if (!m_requested)
            m_idle.notify_all();
    }
    m_requested = false;
    m_idle.notify_all();
}

void WalCheckpointer::checkpoint()
{
    // Opened for each checkpoint: between them the thread holds no file open,
    // and the store's last connection to close can remove the log.
    foundation::Error error;
    // A short wait when the file is busy: a checkpoint can always come later,
    // and the store's owner may be waiting for this thread to end.
    const auto database =
        SqliteDatabase::open(m_path, SqliteDatabase::OpenMode::ReadWrite, &error, 1000);
    // A new connection finds the log when it first reads the file. A passive
    // checkpoint then copies what no reader still needs and waits for nobody;
    // what it leaves is copied the next time.
    if (!database ||
        !database->queryValue(QStringLiteral("SELECT count(*) FROM sqlite_master"), &error) ||
        sqlite3_wal_checkpoint_v2(database->handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                  nullptr) != SQLITE_OK) {
        KESVOR_DEBUG_LOG << "WalCheckpointer: no checkpoint of" << m_path << ":"
                         << (error.description.isEmpty() && database
                                 ? database->lastError().description
                                 : error.description);
    }
}

} // namespace kesvor::data
