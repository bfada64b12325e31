#include "store/StoreTestSupport.h"

#include "Store/ApproveByAgent.h"
#include "Store/ChatKeyValues.h"
#include "Store/ChatModel.h"
#include "Store/MessageStatusEnum.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QTimeZone>

#include <ctime>

using namespace kesvor;
using test::Wire;

namespace {

// Switches the device's time zone for the rest of the test process.
void setDeviceTimeZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

} // namespace

TEST(ChatModelTest, AMessageWithoutIdAndStatusesTakesTheDefaults)
{
    const auto model = ChatModel::initWithDic(
        Wire::at("2017-03-01T10:15:30.123+0000").set("msgKeyWord", "ignored"));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->msgFrom(), "agent-1");
    EXPECT_EQ(model->msgTo(), "customer-1");
    EXPECT_EQ(model->roomId(), "room-1");
    EXPECT_EQ(model->senderIdentity(), "agent-1");
    EXPECT_EQ(model->senderRole(), "agent");
    EXPECT_EQ(model->approvedByAgent(), "approved");
    EXPECT_EQ(model->msg(), (QVariantMap{{"message", QVariantMap{{"text", "hello"}}}}));
    EXPECT_EQ(model->createdOn(),
              QDateTime(QDate(2017, 3, 1), QTime(10, 15, 30, 123), QTimeZone::utc()));
    EXPECT_FALSE(model->messageId());
    EXPECT_EQ(model->messageSentToCustomerStatus(), "sent");
    EXPECT_EQ(model->messageSentToAgentStatus(), "sending");

    // Optional keys of another type, and an empty id, count as absent.
    const auto odd = ChatModel::initWithDic(Wire::at(1)
                                                .set("_id", 42)
                                                .set("messageSentToCustomerStatus", true)
                                                .set("messageSentToAgentStatus", QVariantList{}));
    ASSERT_TRUE(odd);
    EXPECT_FALSE(odd->messageId());
    EXPECT_EQ(odd->messageSentToCustomerStatus(), "sent");
    EXPECT_EQ(odd->messageSentToAgentStatus(), "sending");
    EXPECT_FALSE(ChatModel::initWithDic(Wire::at(1).id(""))->messageId());
    EXPECT_EQ(ChatModel::initWithDic(Wire::at(1).id("m-1").customerStatus("seen"))->messageId(),
              "m-1");
}

TEST(ChatModelTest, AMissingOrMistypedRequiredKeyRefusesTheRecord)
{
    for (const char* key : {"msgFrom", "msgTo", "msg", "roomId", "createdOn", "senderIdentity",
                            "senderRole", "approvedByAgent"}) {
        EXPECT_FALSE(ChatModel::initWithDic(Wire::at(1).without(key))) << key;
        const bool wantsText = QLatin1String(key) != QLatin1String("msg");
        for (const QVariant& wrong :
             {QVariant(7), QVariant(QVariantList{"a"}), QVariant(true),
              QVariant::fromValue(nullptr),
              wantsText ? QVariant(QVariantMap{{"a", 1}}) : QVariant("text")})
            EXPECT_FALSE(ChatModel::initWithDic(Wire::at(1).set(key, wrong))) << key;
    }
    // A dictionary-like hash is as good as a map.
    EXPECT_TRUE(ChatModel::initWithDic(Wire::at(1).set("msg", QVariantHash{{"message", "x"}})));
}

TEST(ChatModelTest, CreatedOnThatIsMissingOrDoesNotParseRefusesTheRecord)
{
    EXPECT_FALSE(ChatModel::initWithDic(Wire::at(1).without("createdOn")));
    EXPECT_FALSE(ChatModel::initWithDic(Wire::at(1).set("createdOn", 1700000000)));
    for (const char* text :
         {"2017-03-01T10:15:30+0000", "2017-03-01", "01/03/2017 10:15", "2017-03-01T10:15:30.123"})
        EXPECT_FALSE(ChatModel::initWithDic(Wire::at(QString::fromLatin1(text)))) << text;
}

TEST(ChatModelTest, TheDayKeyIsTheLocalDayOfTheInstant)
{
    struct Case {
        const char* zone;
        const char* createdOn;
        const char* day;
    };
    for (const Case& c : {Case{"UTC", "2017-03-01T10:15:30.123+0000", "2017-03-01"},
                          Case{"Asia/Tokyo", "2017-03-01T10:15:30.123+0000", "2017-03-01"},
                          Case{"Pacific/Kiritimati", "2017-03-01T10:15:30.123+0000", "2017-03-02"},
                          Case{"America/Los_Angeles", "2017-03-01T07:59:59.999+0000", "2017-02-28"},
                          Case{"Africa/Cairo", "2017-03-05T23:30:00.000+0000", "2017-03-06"},
                          Case{"Africa/Cairo", "2017-03-05T21:59:59.999+0000", "2017-03-05"},
                          Case{"Asia/Kolkata", "2016-12-31T18:30:00.000Z", "2017-01-01"}}) {
        setDeviceTimeZone(c.zone);
        const auto model = ChatModel::initWithDic(Wire::at(QString::fromLatin1(c.createdOn)));
        ASSERT_TRUE(model) << c.createdOn;
        EXPECT_EQ(model->date(), QString::fromLatin1(c.day)) << c.zone << " " << c.createdOn;
    }
}
