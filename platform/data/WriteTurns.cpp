#include "data/WriteTurns.h"

#include "data/DataError.h"

#include <utility>

namespace kesvor::data {

WriteTurns::Turn::Turn(WriteTurns* turns, quint64 ticket)
    : m_turns(turns)
    , m_ticket(ticket)
{
}

WriteTurns::Turn::Turn(Turn&& other) noexcept
    : m_turns(std::exchange(other.m_turns, nullptr))
    , m_ticket(other.m_ticket)
{
}

WriteTurns::Turn& WriteTurns::Turn::operator=(Turn&& other) noexcept
{
    if (this != &other) {
        end();
        m_turns = std::exchange(other.m_turns, nullptr);
        m_ticket = other.m_ticket;
    }
    return *this;
}

WriteTurns::Turn::~Turn()
{
    end();
}

void WriteTurns::Turn::end()
{
    if (WriteTurns* turns = std::exchange(m_turns, nullptr))
        turns->end(m_ticket);
}

std::optional<WriteTurns::Turn> WriteTurns::take(std::chrono::milliseconds timeout,
                                                 foundation::Error* error)
{
    std::unique_lock lock(m_mutex);
    const quint64 ticket = m_next++;
    if (m_changed.wait_for(lock, timeout, [&] { return m_serving == ticket; }))
        return Turn(this, ticket);
    // Skipped when its turn comes.
    m_givenUp.insert(ticket);
    DataError::set(error, DataError::StoreBusy,
                   QStringLiteral("another writer kept the store for %1 ms").arg(timeout.count()));
    return std::nullopt;
}

int WriteTurns::queued() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_next - m_serving - quint64(m_givenUp.size()));
}

void WriteTurns::end(quint64 ticket)
{
    {
        const std::lock_guard lock(m_mutex);
        Q_ASSERT(ticket == m_serving);
        ++m_serving;
        while (m_givenUp.erase(m_serving) > 0)
            ++m_serving;
    }
    m_changed.notify_all();
}

} // namespace kesvor::data
