#include "Kesvor/PlatformInfo.h"
#include "kesvor/KesvorMetaUserInfo.h"

#include <gtest/gtest.h>

using namespace kesvor;

TEST(MetaUserInfoTest, ToDictionaryHoldsExactlyTheKeysThatHaveEntries)
{
    const KesvorMetaUserInfo both({{KUserInfoKey::KEmail, "e@x.io"}, {KUserInfoKey::KPhone, "+1"}});
    EXPECT_EQ(both.toDictionary(), (QVariantMap{{"email", "e@x.io"}, {"phone", "+1"}}));

    const KesvorMetaUserInfo all({{KUserInfoKey::KUserId, "u"},
                                  {KUserInfoKey::KEmail, "e"},
                                  {KUserInfoKey::KPhone, "p"},
                                  {KUserInfoKey::KUsername, "n"}});
    EXPECT_EQ(all.toDictionary(),
              (QVariantMap{{"userId", "u"}, {"email", "e"}, {"phone", "p"}, {"username", "n"}}));

    KesvorMetaUserInfo absent({{KUserInfoKey::KUserId, "u"}});
    absent.setInfo(std::nullopt);
    EXPECT_TRUE(absent.toDictionary().isEmpty());
    EXPECT_TRUE(KesvorMetaUserInfo({}).toDictionary().isEmpty());
}

TEST(MetaUserInfoTest, CopiesAreIndependentValues)
{
    KesvorMetaUserInfo original({{KUserInfoKey::KUserId, "u"}});
    KesvorMetaUserInfo copy = original;
    copy.setInfo(KesvorMetaUserInfo::Info{{KUserInfoKey::KEmail, "e"}});
    EXPECT_EQ(original.toDictionary(), (QVariantMap{{"userId", "u"}}));
    KesvorMetaUserInfo moved = std::move(copy);
    EXPECT_EQ(moved.toDictionary(), (QVariantMap{{"email", "e"}}));
}

TEST(MetaUserInfoTest, KeysOutsideZeroToThreeAreRefused)
{
    EXPECT_EQ(userInfoKeyFromRawValue(3), KUserInfoKey::KUsername);
    EXPECT_FALSE(userInfoKeyFromRawValue(4));
    EXPECT_FALSE(userInfoKeyFromRawValue(-1));
}

TEST(MetaUserInfoTest, PlatformInfoDescribesThisSystem)
{
    const QVariantMap info = PlatformInfo::info();
    EXPECT_EQ(info.keys(), (QStringList{"OSName", "browserName", "majorVersion"}));
    for (const QVariant& value : info)
        EXPECT_EQ(value.typeId(), QMetaType::QString);
    EXPECT_FALSE(info.value("OSName").toString().isEmpty());
}
