#include "store/BenchHistory.h"

#include "foundation/DateFormatter.h"

#include <QtCore/QTimeZone>
#include <QtCore/QVariantMap>

#include <map>

namespace kesvor::bench {

namespace {

QVariantList history(int count)
{
    const foundation::DateFormatter wire(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSSZ"),
                                         foundation::DateFormatter::posixLocale(),
                                         QTimeZone::utc());
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0), QTimeZone::utc());
    QVariantList messages;
    messages.reserve(count);
    for (int i = 0; i < count; ++i) {
        const bool customer = i % 2 == 0;
        const QString sender =
            customer ? QStringLiteral("customer-4711") : QStringLiteral("bot-17");
        messages << QVariantMap{
            {"msgFrom", sender},
            {"msgTo", customer ? QStringLiteral("bot") : QStringLiteral("customer-4711")},
            {"msg",
             QVariantMap{{"message", QVariantMap{{"text", QStringLiteral("Message %1: how can "
                                                                         "we help you today?")
                                                              .arg(i)}}}}},
            {"roomId", "room-0815"},
            {"createdOn", wire.stringFromDate(start.addMSecs(qint64(i) * 1037))},
            {"senderIdentity", sender},
            {"senderRole", customer ? QStringLiteral("customer") : QStringLiteral("bot")},
            {"approvedByAgent", "approved"},
            {"_id", QStringLiteral("%1").arg(i, 24, 16, QLatin1Char('0'))},
            {"messageSentToCustomerStatus",
             i % 3 == 0 ? QStringLiteral("sent") : QStringLiteral("seen")},
            {"messageSentToAgentStatus", "seen"}};
    }
    return messages;
}

} // namespace

const QVariantList& historyOf(int count)
{
    static std::map<int, QVariantList> cache;
    auto found = cache.find(count);
    if (found == cache.end())
        found = cache.emplace(count, history(count)).first;
    return found->second;
}

} // namespace kesvor::bench
