#include "store/StoreTestSupport.h"

#include "Store/MyDataController.h"
#include "data/ValueComparison.h"

#include <gtest/gtest.h>

#include <random>

using namespace kesvor;
using test::Wire;

namespace {

// The record rules on plain values: what the store must hold after the same
// batches. A stored message is found by its id, or by (createdOn, sender)
// unless both it and the incoming one have ids; the first stored match is
// updated when anything differs.
class ReferenceStore {
public:
    struct Record {
        QString createdOn;
        QString from;
        std::optional<QString> id;
        QVariantMap msg;
        QString customerStatus;
        QString agentStatus;
    };

    // Applies one wire message; the index of the stored record it inserted or
    // changed, or -1.
    int apply(const QVariantMap& wire)
    {
        if (!wire.contains("createdOn") ||
            wire.value("approvedByAgent") != QStringLiteral("approved"))
            return -1;
        Record incoming{wire.value("createdOn").toString(),
                        wire.value("msgFrom").toString(),
                        wire.contains("_id") ? std::optional(wire.value("_id").toString())
                                             : std::nullopt,
                        wire.value("msg").toMap(),
                        wire.value("messageSentToCustomerStatus", "sent").toString(),
                        wire.value("messageSentToAgentStatus", "sending").toString()};
        for (int i = 0; i < records.size(); ++i) {
            Record& stored = records[i];
            const bool sameMoment =
                stored.createdOn == incoming.createdOn && stored.from == incoming.from;
            const bool matches = (sameMoment && !(stored.id && incoming.id)) ||
                                 (incoming.id && stored.id == incoming.id);
            if (!matches)
                continue;
            if (stored.id == incoming.id && stored.msg == incoming.msg &&
                stored.customerStatus == incoming.customerStatus &&
                stored.agentStatus == incoming.agentStatus)
                return -1;
            stored = incoming;
            return i;
        }
        records << incoming;
        return int(records.size()) - 1;
    }

    // What a batch's completion must list: the records it changed, each once
    // in the order first changed, that have an id and are not seen at its end.
    QStringList applyBatch(const QVariantList& batch)
    {
        QList<int> changed;
        for (const QVariant& element : batch) {
            if (element.typeId() != QMetaType::QVariantMap)
                continue;
            const int index = apply(element.toMap());
            if (index >= 0 && !changed.contains(index))
                changed << index;
        }
        QStringList ids;
        for (int index : changed)
            if (records[index].id && records[index].customerStatus != "seen")
                ids << *records[index].id;
        return ids;
    }

    QList<Record> records;
};

// Random batches over a small set of timestamps, senders and ids, so that
// echoes, repeats, status changes and cross matches happen often.
class BatchGenerator {
public:
    explicit BatchGenerator(unsigned seed)
        : m_random(seed)
    {
    }

    // Mostly a few messages; now and then a long history, which the store
    // takes in several runs, each seeing what the runs before it stored.
    QVariantList batch()
    {
        QVariantList elements;
        const int size = pick(0, 9) == 0 ? pick(250, 700) : pick(0, 8);
        for (int i = 0; i < size; ++i)
            elements << element();
        return elements;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }

    template <typename T> T oneOf(std::initializer_list<T> values)
    {
        return *(values.begin() + pick(0, int(values.size()) - 1));
    }

    QVariant element()
    {
        const int kind = pick(0, 99);
        if (kind < 3)
            return oneOf<QVariant>({QVariant("garbage"), QVariant(7), QVariant(QVariantList{})});
        Wire wire =
            Wire::at(pick(0, 11), oneOf({0, 1, 999}), oneOf<QString>({"customer-1", "agent-1"}));
        if (pick(0, 3) > 0)
            wire.id(QStringLiteral("m-%1").arg(pick(0, 9)));
        if (pick(0, 2) == 0)
            wire.text(oneOf<QString>({"a", "b"}));
        if (pick(0, 1) == 0)
            wire.customerStatus(oneOf<QString>({"sent", "seen", "unsent"}));
        if (pick(0, 1) == 0)
            wire.agentStatus(oneOf<QString>({"sending", "sent", "seen"}));
        if (kind < 12)
            wire.approval(oneOf<QString>({"unapproved", "rejected"}));
        else if (kind < 15)
            wire.without("createdOn");
        return wire;
    }

    std::mt19937 m_random;
};

QString describe(const ReferenceStore::Record& record)
{
    return QStringList{
        record.createdOn.mid(17), record.from,
        record.id.value_or("-"),  record.msg.value("message").toMap().value("text").toString(),
        record.customerStatus,    record.agentStatus}
        .join(u'|');
}

QString describe(const Chat& chat)
{
    return QStringList{chat.createdOn().toString("ss.zzz+0000"),
                       chat.msgFrom(),
                       chat.messageId().value_or("-"),
                       chat.msg()->value("message").toMap().value("text").toString(),
                       chat.messageSentToCustomerStatus(),
                       chat.messageSentToAgentStatus()}
        .join(u'|');
}

} // namespace

TEST(RandomisedStoreTest, TheStoreFollowsThePlainModelOfTheRecordRules)
{
    for (const unsigned seed : {1u, 7u, 42u, 2024u, 31337u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        MyDataController::sharedInstance().clearChat();
        ReferenceStore reference;
        BatchGenerator generator(seed);
        for (int round = 0; round < 40; ++round) {
            const QVariantList batch = generator.batch();
            const QStringList expected = reference.applyBatch(batch);
            const auto unseen = test::addChatsAndWait(batch);
            ASSERT_TRUE(unseen) << "round " << round;
            ASSERT_EQ(test::idsOf(*unseen), expected) << "round " << round;
        }
        QStringList expected;
        for (const auto& record : reference.records)
            expected << describe(record);
        QStringList actual;
        for (const Chat& chat : test::storedChats())
            actual << describe(chat);
        ASSERT_EQ(actual, expected);
    }
}
