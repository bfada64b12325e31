#include "Store/ChatBatch.h"

#include "data/Predicate.h"
#include "foundation/DebugLog.h"

namespace kesvor {

namespace {

// New messages of a run come after every stored one, in the order stored.
constexpr qint64 firstNewOrder = qint64(1) << 62;

} // namespace

ChatBatch::ChatBatch(data::ManagedObjectContext& context)
    : m_context(context)
{
}

QList<std::optional<Chat>> ChatBatch::store(QList<ChatModel> records, QList<Chat>* firstChanges)
{
    QList<std::optional<Chat>> stored;
    stored.reserve(records.size());
    const bool found = lookUp(records);
    for (ChatModel& record : records) {
        if (!found || !record.isApproved()) {
            stored << std::nullopt;
            continue;
        }
        const Keys keys = keysOf(record);
        const auto match = firstMatch(keys);
        std::optional<Chat> existing;
        Keys before;
        if (match) {
            existing = Chat(match->object);
            before = keysOf(*existing);
        }
        auto chat = record.store(m_context, existing);
        if (chat && firstChanges && !m_listed.contains(chat->managedObject().get())) {
            m_listed.insert(chat->managedObject().get());
            firstChanges->append(*chat);
        }
        if (chat) {
            // An updated message may now be found by other keys; a stored
            // message has the keys of its record.
            if (match)
                remove(match->object, before);
            add(chat->managedObject(), keys, match ? match->order : firstNewOrder + m_nextOrder++);
        }
        stored << std::move(chat);
    }
    m_byMoment.clear();
    m_byId.clear();
    return stored;
}

bool ChatBatch::lookUp(const QList<ChatModel>& records)
{
    QVariantList moments;
    QVariantList ids;
    moments.reserve(records.size());
    ids.reserve(records.size());
    // Room for the run's own messages next to those found.
    m_byMoment.reserve(2 * records.size());
    m_byId.reserve(2 * records.size());
    for (const ChatModel& record : records) {
        if (!record.isApproved())
            continue;
        moments << record.createdOn();
        if (record.messageId())
            ids << *record.messageId();
    }
    if (moments.isEmpty())
        return true;
    // The messages the run stored so far go into the store's transaction
    // first, so that the request sees them.
    foundation::Error error;
    const auto predicate = data::Predicate::withFormat(
        QStringLiteral("createdOn IN %@ OR messageId IN %@"), {moments, ids}, &error);
    auto request = Chat::fetchRequest();
    request.predicate = predicate;
    const auto found = predicate && m_context.writePendingChanges(&error)
                           ? m_context.fetch(request, &error)
                           : std::nullopt;
    if (!found) {
        KESVOR_DEBUG_LOG << "message lookup failed:" << error.description;
        return false;
    }
    for (const data::ObjectPtr& object : *found)
        add(object, keysOf(Chat(object)), object->objectID().primaryKey);
    return true;
}

// With several stored copies (written before duplicates were caught), the
// oldest one is the message; inserting yet another copy would only add to them.
std::optional<ChatBatch::Candidate> ChatBatch::firstMatch(const Keys& keys) const
{
    std::optional<Candidate> first;
    auto consider = [&first](const Candidates& candidates, bool withIds) {
        for (const Candidate& candidate : candidates)
            if ((withIds || !candidate.hasId) && (!first || candidate.order < first->order))
                first = candidate;
    };
    const auto byMoment = m_byMoment.constFind(*keys.moment);
    if (byMoment != m_byMoment.cend())
        consider(*byMoment, !keys.id);
    if (keys.id) {
        const auto byId = m_byId.constFind(*keys.id);
        if (byId != m_byId.cend())
            consider(*byId, true);
    }
    return first;
}

void ChatBatch::add(const data::ObjectPtr& object, const Keys& keys, qint64 order)
{
    const bool hasId = keys.id.has_value();
    if (keys.moment)
        m_byMoment[*keys.moment].append({order, object, hasId});
    if (keys.id)
        m_byId[*keys.id].append({order, object, hasId});
}

void ChatBatch::remove(const data::ObjectPtr& object, const Keys& keys)
{
    auto drop = [&object](auto& index, const auto& key) {
        const auto found = index.find(key);
        if (found == index.end())
            return;
        Candidates& candidates = *found;
        candidates.removeIf([&object](const Candidate& c) { return c.object == object; });
        if (candidates.isEmpty())
            index.erase(found);
    };
    if (keys.moment)
        drop(m_byMoment, *keys.moment);
    if (keys.id)
        drop(m_byId, *keys.id);
}

// Keys the store would find the message by: none for an unset attribute.
ChatBatch::Keys ChatBatch::keysOf(const Chat& chat)
{
    Keys keys;
    const QDateTime createdOn = chat.createdOn();
    const auto sender = chat.text("msgFrom");
    if (createdOn.isValid() && sender)
        keys.moment = Moment{createdOn.toMSecsSinceEpoch(), *sender};
    if (const auto id = chat.messageId())
        keys.id = *id;
    return keys;
}

ChatBatch::Keys ChatBatch::keysOf(const ChatModel& record)
{
    Keys keys;
    // The record's text is in its stored form already.
    keys.moment = Moment{record.createdOn().toMSecsSinceEpoch(), record.msgFrom()};
    if (record.messageId())
        keys.id = *record.messageId();
    return keys;
}

} // namespace kesvor
