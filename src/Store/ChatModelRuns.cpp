#include "Store/ChatModelRuns.h"

#include "Store/ChatBatch.h"

#include "foundation/Json.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace kesvor {

namespace {

// How far parsing may run ahead of storing, in runs: enough that the store
// never waits, without holding a long history twice.
constexpr size_t runsAhead = 8;

} // namespace

// Runs handed from the parsing queue to the storing one.
struct ChatModelRuns::Channel {
    std::mutex mutex;
    std::condition_variable ready;     // a run came, or the last one
    std::condition_variable space;     // a run was taken, or nobody takes any more
    std::deque<QList<ChatModel>> runs; // guarded by mutex
    bool finished = false;             // guarded by mutex: the last run is in runs
    bool abandoned = false;            // guarded by mutex: nobody takes further runs
};

ChatModelRuns::ChatModelRuns(const QVariantList& elements, foundation::SerialQueue& parseQueue)
{
    qsizetype position = 0;
    m_first = parseRun(elements, position);
    if (position == elements.size())
        return;
    m_channel = std::make_shared<Channel>();
    parseQueue.addOperation(
        [channel = m_channel, elements, position] { parseAhead(channel, elements, position); });
}

ChatModelRuns::~ChatModelRuns()
{
    if (!m_channel)
        return;
    {
        const std::lock_guard lock(m_channel->mutex);
        m_channel->abandoned = true;
    }
    m_channel->space.notify_one();
}

std::optional<QList<ChatModel>> ChatModelRuns::next()
{
    // The first run, unless nothing in it was a message.
    if (auto first = std::exchange(m_first, std::nullopt); first && !first->isEmpty())
        return first;
    if (!m_channel)
        return std::nullopt;
    std::unique_lock lock(m_channel->mutex);
    m_channel->ready.wait(lock, [this] { return !m_channel->runs.empty() || m_channel->finished; });
    if (m_channel->runs.empty())
        return std::nullopt;
    auto run = std::move(m_channel->runs.front());
    m_channel->runs.pop_front();
    m_channel->space.notify_one();
    return run;
}

void ChatModelRuns::parseAhead(const std::shared_ptr<Channel>& channel,
                               const QVariantList& elements, qsizetype position)
{
    while (position < elements.size()) {
        auto run = parseRun(elements, position);
        std::unique_lock lock(channel->mutex);
        channel->space.wait(
            lock, [&channel] { return channel->runs.size() < runsAhead || channel->abandoned; });
        if (channel->abandoned)
            return;
        if (!run.isEmpty())
            channel->runs.push_back(std::move(run));
        channel->ready.notify_one();
    }
    const std::lock_guard lock(channel->mutex);
    channel->finished = true;
    channel->ready.notify_one();
}

QList<ChatModel> ChatModelRuns::parseRun(const QVariantList& elements, qsizetype& position)
{
    QList<ChatModel> run;
    run.reserve(std::min(ChatBatch::runLength, elements.size() - position));
    while (position < elements.size() && run.size() < ChatBatch::runLength) {
        if (auto record = recordOf(elements[position++]))
            run << std::move(*record);
    }
    return run;
}

std::optional<ChatModel> ChatModelRuns::recordOf(const QVariant& element)
{
    if (element.typeId() == QMetaType::QVariantMap) // read where it is, not copied
        return ChatModel::initWithDic(*static_cast<const QVariantMap*>(element.constData()));
    const auto dic = foundation::Json::asMap(element);
    return dic ? ChatModel::initWithDic(*dic) : std::nullopt;
}

} // namespace kesvor
