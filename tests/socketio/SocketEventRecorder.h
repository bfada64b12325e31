#pragma once

#include "net/SocketIOClient.h"
#include "support/TestSupport.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QStringList>

#include <algorithm>
#include <iterator>
#include <ostream>
#include <vector>

namespace kesvor::test {

/// Records what a client delivers to its handler and the statuses it passes
/// through, for tests that wait on them.
class SocketEventRecorder {
public:
    struct Event {
        QString name;
        QVariantList items;
        net::SocketIOStatus statusAtDelivery;
    };

    explicit SocketEventRecorder(net::SocketIOClient& client)
        : m_client(client)
    {
        client.onAny([this](const net::SocketAnyEvent& event) {
            m_events.push_back({event.event, event.items, m_client.status()});
        });
        QObject::connect(&client, &net::SocketIOClient::statusChanged, &client,
                         [this](net::SocketIOStatus status) { m_statuses.push_back(status); });
    }

    const std::vector<Event>& events() const { return m_events; }
    const std::vector<net::SocketIOStatus>& statuses() const { return m_statuses; }

    QStringList names() const
    {
        QStringList names;
        for (const Event& event : m_events)
            names << event.name;
        return names;
    }

    int count(const QString& name) const
    {
        return int(std::count_if(m_events.begin(), m_events.end(),
                                 [&](const Event& event) { return event.name == name; }));
    }

    /// The items of the last event of that name.
    QVariantList last(const QString& name) const
    {
        for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
            if (it->name == name)
                return it->items;
        }
        return {};
    }

    std::vector<Event> named(const QString& name) const
    {
        std::vector<Event> found;
        std::copy_if(m_events.begin(), m_events.end(), std::back_inserter(found),
                     [&](const Event& event) { return event.name == name; });
        return found;
    }

    bool waitFor(const QString& name, int count = 1, int timeoutMs = 5000) const
    {
        return waitUntil([&] { return this->count(name) >= count; }, timeoutMs);
    }

    void clear()
    {
        m_events.clear();
        m_statuses.clear();
    }

private:
    net::SocketIOClient& m_client;
    std::vector<Event> m_events;
    std::vector<net::SocketIOStatus> m_statuses;
};

/// Reconnection fast enough for tests that do not test the default timing.
inline net::SocketIOClientOptions
quickOptions(const QString& nsp, net::SocketIOProtocol protocol = net::SocketIOProtocol::engineIO4)
{
    net::SocketIOClientOptions options;
    options.nsp = nsp;
    options.protocol = protocol;
    options.reconnectWaitMs = 50;
    options.reconnectWaitMaxMs = 200;
    options.connectTimeoutMs = 3000;
    return options;
}

} // namespace kesvor::test

// Readable values in assertion messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QVariant& value, std::ostream* out)
{
    *out << QJsonDocument::fromVariant(QVariantList{value})
                .toJson(QJsonDocument::Compact)
                .toStdString();
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(", ").toStdString() << ']';
}

inline void PrintTo(const QVariantList& list, std::ostream* out)
{
    *out << QJsonDocument::fromVariant(list).toJson(QJsonDocument::Compact).toStdString();
}

namespace kesvor::net {

inline void PrintTo(SocketIOStatus status, std::ostream* out)
{
    static const char* const names[] = {"notConnected", "disconnected", "connecting", "connected"};
    *out << names[int(status)];
}

} // namespace kesvor::net
