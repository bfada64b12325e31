#pragma once

#include "foundation/Error.h"

#include <QtCore/QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>

namespace kesvor::data {

/// Hands the write lock of one store to the threads of this process in the
/// order they asked for it.
///
/// SQLite's own lock keeps no order: a writer that finds it taken sleeps and
/// tries again, and one that commits and begins its next transaction at once
/// takes it back before the sleeper wakes. A long series of short
/// transactions (a history stored run by run) could so keep another writer
/// waiting for all of them. Taking a turn before the transaction bounds every
/// writer's wait by the transactions that asked before it. Thread-safe.
class WriteTurns {
public:
    /// The right to write, until it is destroyed or ended. Move-only.
    class Turn {
    public:
        Turn(Turn&& other) noexcept;
        Turn& operator=(Turn&& other) noexcept;
        ~Turn();
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

    private:
        friend class WriteTurns;
        Turn(WriteTurns* turns, quint64 ticket);
        void end();

        WriteTurns* m_turns = nullptr;
        quint64 m_ticket = 0;
    };

    /// Waits until every turn asked for before has ended; nothing, with a
    /// StoreBusy error, when that takes longer than timeout (the turn is
    /// then given up).
    std::optional<Turn> take(std::chrono::milliseconds timeout, foundation::Error* error = nullptr);

    /// Turns taken or waited for now.
    int queued() const;

private:
    void end(quint64 ticket);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    quint64 m_next = 0;          // guarded by m_mutex: the next ticket handed out
    quint64 m_serving = 0;       // guarded by m_mutex: the ticket whose turn it is
    std::set<quint64> m_givenUp; // guarded by m_mutex: waiters that timed out
};

} // namespace kesvor::data
