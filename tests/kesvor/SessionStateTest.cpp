#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorPrivate.h"
#include "Store/MyDataController.h"
#include "kesvor/Kesvor.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kesvor;

namespace {

const QVariantMap storedRecord{{"userId", "B"},
                               {"businessId", "tok"},
                               {"role", "customer"},
                               {"username", "guest"},
                               {"room", "r-1"}};

class SessionStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& defaults = KesvorLocalStorage::standard();
        defaults.removeObjectForKey(KesvorLocalStorage::userKey);
        defaults.removeObjectForKey(KesvorLocalStorage::isSignUpDoneKey);
        KesvorPrivate::setUser(std::nullopt);
        Kesvor::setMetaUserinfo(std::nullopt);
        Kesvor::setCustomerId(std::nullopt);
        KesvorPrivate::setBusinessToken(std::nullopt);
    }

    static void storeRecordAndInit(const QVariant& record)
    {
        KesvorLocalStorage::standard().setObject(record, KesvorLocalStorage::userKey);
        Kesvor::initWithToken("tok");
    }

    static bool recordStored()
    {
        return KesvorLocalStorage::standard().objectForKey(KesvorLocalStorage::userKey).isValid();
    }
};

} // namespace

TEST_F(SessionStateTest, InitWithTokenLoadsTheStoredRecordOnlyWhenItIsADictionary)
{
    Kesvor::initWithToken("first");
    EXPECT_EQ(KesvorPrivate::businessToken(), "first");
    EXPECT_FALSE(KesvorPrivate::user());

    storeRecordAndInit(storedRecord);
    EXPECT_EQ(KesvorPrivate::businessToken(), "tok");
    EXPECT_EQ(KesvorPrivate::user(), storedRecord);

    for (const QVariant& foreign :
         {QVariant("a string"), QVariant(QVariantList{1, 2}), QVariant(true)}) {
        storeRecordAndInit(foreign);
        EXPECT_FALSE(KesvorPrivate::user()) << foreign.typeName();
    }
}

TEST_F(SessionStateTest, CustomerIdEqualToTheStoredOneOrAbsentChangesNothing)
{
    storeRecordAndInit(storedRecord);
    Kesvor::setCustomerId("B");
    EXPECT_TRUE(recordStored());
    Kesvor::setCustomerId(std::nullopt);
    EXPECT_TRUE(recordStored());
    EXPECT_EQ(KesvorPrivate::user(), storedRecord);
}

TEST_F(SessionStateTest, ADifferentCustomerIdWipesTheStoredRecordButNotTheInMemoryOne)
{
    storeRecordAndInit(storedRecord);
    MyDataController& store = MyDataController::sharedInstance();
    store.addChat({{"msgFrom", "B"},
                   {"msgTo", "bot"},
                   {"msg", QVariantMap{{"message", QVariantMap{{"text", "from B"}}}}},
                   {"roomId", "r-1"},
                   {"createdOn", "2024-05-01T10:00:00.000+0000"},
                   {"senderIdentity", "B"},
                   {"senderRole", "customer"},
                   {"approvedByAgent", "approved"}});
    ASSERT_EQ(store.context()->count(Chat::fetchRequest()), 1);
    Kesvor::setCustomerId("A");
    EXPECT_EQ(Kesvor::customerId(), "A");
    EXPECT_FALSE(recordStored());
    EXPECT_EQ(KesvorPrivate::user(), storedRecord);
    // B's messages are gone from the store and from what the screen reads.
    EXPECT_EQ(store.context()->count(Chat::fetchRequest()), 0);
    const auto reader = store.backgoundContext();
    reader->performAndWait([&] { EXPECT_EQ(reader->count(Chat::fetchRequest()), 0); });
    // The wipe reached the file, not only memory.
    foundation::UserDefaults reopened(KesvorLocalStorage::standard().suiteName(),
                                      qEnvironmentVariable("KESVOR_DATA_DIR"));
    EXPECT_FALSE(reopened.objectForKey(KesvorLocalStorage::userKey).isValid());
}

TEST_F(SessionStateTest, StoredRecordWithoutAStringUserIdIsNeverWiped)
{
    for (const QVariant& userId : {QVariant(), QVariant(qlonglong(5))}) {
        QVariantMap record = storedRecord;
        record.remove("userId");
        if (userId.isValid())
            record.insert("userId", userId);
        storeRecordAndInit(record);
        Kesvor::setCustomerId("A");
        EXPECT_TRUE(recordStored());
    }
}

TEST_F(SessionStateTest, MetadataSetsOrClearsTheCustomerIdAndRunsItsObserver)
{
    storeRecordAndInit(storedRecord);
    Kesvor::setCustomerId("B");
    Kesvor::setMetaUserinfo(KesvorMetaUserInfo({{KUserInfoKey::KEmail, "e@x.io"}}));
    EXPECT_FALSE(Kesvor::customerId());
    EXPECT_TRUE(recordStored());

    Kesvor::setMetaUserinfo(KesvorMetaUserInfo({{KUserInfoKey::KUserId, "B"}}));
    EXPECT_EQ(Kesvor::customerId(), "B");
    EXPECT_TRUE(recordStored());

    Kesvor::setMetaUserinfo(KesvorMetaUserInfo({{KUserInfoKey::KUserId, "C"}}));
    EXPECT_EQ(Kesvor::customerId(), "C");
    EXPECT_FALSE(recordStored());

    KesvorMetaUserInfo noInfo({});
    noInfo.setInfo(std::nullopt);
    Kesvor::setMetaUserinfo(noInfo);
    EXPECT_FALSE(Kesvor::customerId());
    Kesvor::setCustomerId("D");
    Kesvor::setMetaUserinfo(std::nullopt);
    EXPECT_FALSE(Kesvor::customerId());
}

TEST_F(SessionStateTest, ClearChatKeepsTheRecordAndClearStoredUserKeepsMemory)
{
    storeRecordAndInit(storedRecord);
    KesvorLocalStorage::standard().setBool(true, KesvorLocalStorage::isSignUpDoneKey);
    Kesvor::clearChat();
    EXPECT_TRUE(recordStored());
    EXPECT_TRUE(KesvorLocalStorage::standard().boolForKey(KesvorLocalStorage::isSignUpDoneKey));
    KesvorPrivate::clearStoredUser();
    EXPECT_FALSE(recordStored());
    EXPECT_EQ(KesvorPrivate::user(), storedRecord);
    EXPECT_TRUE(KesvorLocalStorage::standard().boolForKey(KesvorLocalStorage::isSignUpDoneKey));
}
