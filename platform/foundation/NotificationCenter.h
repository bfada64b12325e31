#pragma once

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <atomic>
#include <mutex>

#include <functional>
#include <memory>
#include <vector>

namespace kesvor::foundation {

struct Notification {
    QString name;
    QVariantMap userInfo;
};

/// Named broadcast notifications. Observers are called synchronously on the
/// posting thread, in the order they were added. Adding, removing and posting
/// are safe from any thread; an observer removed during a post is not called
/// afterwards.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    /// Identifies one observation; 0 is never a valid token.
    using Token = quint64;

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    /// Calls handler for every notification named name. observer only groups
    /// observations for removeObserver(observer); it may be null.
    Token addObserver(const void* observer, const QString& name, Handler handler);

    void removeObserver(Token token);
    /// Removes every observation made for observer.
    void removeObserver(const void* observer);
    void removeObserver(const void* observer, const QString& name);

    void post(const QString& name, const QVariantMap& userInfo = {});

    /// Observations currently registered under name.
    int observerCount(const QString& name) const;

private:
    struct Observation {
        Token token;
        const void* observer;
        QString name;
        std::shared_ptr<Handler> handler;
        std::shared_ptr<std::atomic_bool> alive;
    };

    void removeIf(const std::function<bool(const Observation&)>& predicate);

    mutable std::mutex m_mutex;
    std::vector<Observation> m_observations;
    Token m_nextToken = 1;
};

} // namespace kesvor::foundation
