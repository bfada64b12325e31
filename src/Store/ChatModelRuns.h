#pragma once

#include "Store/ChatModel.h"

#include "foundation/SerialQueue.h"

#include <QtCore/QList>
#include <QtCore/QVariantList>

#include <memory>
#include <optional>

namespace kesvor {

/// The records of a batch, in runs of at most ChatBatch::runLength, in the
/// order of the batch; elements that are not messages are left out. The
/// first run is parsed on the caller's thread; the rest are parsed a few
/// runs ahead on another queue while the caller stores the runs it has, so
/// that a long history is read and written at the same time.
class ChatModelRuns {
public:
    ChatModelRuns(const QVariantList& elements, foundation::SerialQueue& parseQueue);
    /// Runs not taken yet are no longer parsed.
    ~ChatModelRuns();
    ChatModelRuns(const ChatModelRuns&) = delete;
    ChatModelRuns& operator=(const ChatModelRuns&) = delete;

    /// The next run, waiting for it if it is still being parsed; nothing
    /// after the last one.
    std::optional<QList<ChatModel>> next();

    /// The record of a batch element that is a dictionary of string keys.
    static std::optional<ChatModel> recordOf(const QVariant& element);

private:
    struct Channel;

    // The next run of elements from position on; position moves past them.
    static QList<ChatModel> parseRun(const QVariantList& elements, qsizetype& position);
    static void parseAhead(const std::shared_ptr<Channel>& channel, const QVariantList& elements,
                           qsizetype position);

    std::optional<QList<ChatModel>> m_first;
    std::shared_ptr<Channel> m_channel; // absent when the first run is the only one
};

} // namespace kesvor
