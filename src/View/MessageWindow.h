#pragma once

#include "data/ManagedObjectContext.h"
#include "data/Predicate.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <memory>
#include <optional>

namespace kesvor {

/// Which stored messages the message list shows: the newest page at first,
/// one page more of older ones each time it grows, always up to the newest.
/// Its start is found by reading only the messages of the page (newest first,
/// through the day-and-time index), never by counting or skipping the rest,
/// so its cost does not grow with the history. Main thread.
class MessageWindow {
public:
    explicit MessageWindow(std::shared_ptr<data::ManagedObjectContext> context);

    /// Starts the window at the pageSize-th newest message; every message
    /// when there are no more. False (with the reason) when the store could
    /// not be read: the window then holds every message.
    bool startAtNewest(int pageSize, foundation::Error* error = nullptr);
    /// Moves the start pageSize messages earlier, or to the oldest when
    /// fewer are left. False when the window holds every message already.
    bool growByPage(int pageSize, foundation::Error* error = nullptr);
    /// True when the window holds every message.
    bool reachesOldest() const { return !m_start; }

    /// The messages in the window: none means every message.
    std::optional<data::Predicate> predicate() const;

private:
    struct Start {
        QString date;
        QDateTime createdOn;
    };
    /// The pageSize-th message before `before` (newest first), or nothing
    /// when there are not more than pageSize.
    std::optional<std::optional<Start>>
    startOfPage(int pageSize, const std::optional<Start>& before, foundation::Error* error);

    std::shared_ptr<data::ManagedObjectContext> m_context;
    std::optional<Start> m_start;
};

} // namespace kesvor
