#include "Service/UserModel.h"
#include "Service/UserKeys.h"

#include <gtest/gtest.h>

using namespace kesvor;

TEST(UserModelTest, NeedsFourStringFieldsAndTakesTheRoomWhenItIsAString)
{
    const QVariantMap record{{"businessId", "b"},   {"userId", "u"}, {"role", "customer"},
                             {"username", "guest"}, {"room", "r"},   {"extra", 1}};
    const auto model = UserModel::initWithDic(record);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->businessId(), "b");
    EXPECT_EQ(model->userId(), "u");
    EXPECT_EQ(model->role(), "customer");
    EXPECT_EQ(model->username(), "guest");
    EXPECT_EQ(model->room(), "r");

    for (const QVariant& room : {QVariant(), QVariant(5)}) {
        QVariantMap changed = record;
        changed.insert("room", room);
        if (!room.isValid())
            changed.remove("room");
        ASSERT_TRUE(UserModel::initWithDic(changed));
        EXPECT_EQ(UserModel::initWithDic(changed)->room(), std::nullopt);
    }
    for (const UserKeys key :
         {UserKeys::businesId, UserKeys::userId, UserKeys::role, UserKeys::username}) {
        QVariantMap missing = record;
        missing.remove(foundation::rawValue(key));
        EXPECT_FALSE(UserModel::initWithDic(missing)) << foundation::rawValue(key).toStdString();
        missing.insert(foundation::rawValue(key), QVariantList{"u"});
        EXPECT_FALSE(UserModel::initWithDic(missing)) << foundation::rawValue(key).toStdString();
    }
}
