#include "store/StoreTestSupport.h"

#include "Store/MyDataController.h"

#include <gtest/gtest.h>

namespace kesvor::test {

QString stamp(int second, int millisecond)
{
    return QStringLiteral("2024-05-01T10:00:%1.%2+0000")
        .arg(second, 2, 10, QLatin1Char('0'))
        .arg(millisecond, 3, 10, QLatin1Char('0'));
}

Wire Wire::at(int second, int millisecond, const QString& from)
{
    return at(stamp(second, millisecond), from);
}

Wire Wire::at(const QString& createdOn, const QString& from)
{
    Wire wire;
    wire.dic = {{"msgFrom", from},
                {"msgTo", "customer-1"},
                {"msg", QVariantMap{{"message", QVariantMap{{"text", "hello"}}}}},
                {"roomId", "room-1"},
                {"createdOn", createdOn},
                {"senderIdentity", from},
                {"senderRole", "agent"},
                {"approvedByAgent", "approved"}};
    return wire;
}

Wire& Wire::text(const QString& text)
{
    return set("msg", QVariantMap{{"message", QVariantMap{{"text", text}}}});
}

Wire& Wire::set(const QString& key, const QVariant& value)
{
    dic.insert(key, value);
    return *this;
}

Wire& Wire::without(const QString& key)
{
    dic.remove(key);
    return *this;
}

std::optional<QList<Chat>> addChatsAndWait(const QVariantList& chats)
{
    std::optional<QList<Chat>> result;
    auto& store = MyDataController::sharedInstance();
    store.addChats(chats, [&result](const QList<Chat>& unseen) { result = unseen; });
    store.messageAddOperationQueue().waitUntilAllOperationsAreFinished();
    return result;
}

QList<Chat> storedChats()
{
    auto context = MyDataController::sharedInstance().backgoundContext();
    QList<Chat> chats;
    context->performAndWait([&] {
        const auto objects = context->fetch(Chat::fetchRequest());
        EXPECT_TRUE(objects);
        for (const auto& object : objects.value_or(QList<data::ObjectPtr>()))
            chats << Chat(object);
    });
    return chats;
}

QStringList idsOf(const QList<Chat>& chats)
{
    QStringList ids;
    for (const Chat& chat : chats)
        ids << chat.messageId().value_or(QStringLiteral("-"));
    return ids;
}

} // namespace kesvor::test
