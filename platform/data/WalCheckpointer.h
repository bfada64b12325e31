#pragma once

#include <QtCore/QString>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kesvor::data {

/// Copies a store's write-ahead log back into its database file on a thread
/// of its own. The connections that write leave this to it, so that a commit
/// that fills the log returns without waiting for the copy; readers and the
/// next writer go on while it runs.
class WalCheckpointer {
public:
    /// Log size, in pages, from which a commit asks for a checkpoint.
    static constexpr int checkpointPages = 1000;

    explicit WalCheckpointer(QString path);
    /// Stops the thread; a checkpoint under way finishes first.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    /// After a commit that left walPages pages in the log; any thread.
    void committed(int walPages);
    /// Asks for a checkpoint whatever the log's size; any thread.
    void request();
    /// Blocks until no checkpoint is asked for or running.
    void waitUntilIdle();

private:
    void run(std::stop_token stop);
    void checkpoint();

    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_idle;
    bool m_requested = false; // guarded by m_mutex
    bool m_running = false;   // guarded by m_mutex
    std::jthread m_thread;    // last: it starts once everything above is ready
};

} // namespace kesvor::data
