#include "Service/UserModel.h"

#include "Service/UserKeys.h"

namespace kesvor {

namespace {

std::optional<QString> stringOf(const QVariantMap& dic, UserKeys key)
{
    const QVariant value = dic.value(foundation::rawValue(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace

std::optional<UserModel> UserModel::initWithDic(const QVariantMap& dic)
{
    const auto businessId = stringOf(dic, UserKeys::businesId);
    const auto userId = stringOf(dic, UserKeys::userId);
    const auto role = stringOf(dic, UserKeys::role);
    const auto username = stringOf(dic, UserKeys::username);
    if (!businessId || !userId || !role || !username)
        return std::nullopt;
    UserModel model;
    model.m_businessId = *businessId;
    model.m_userId = *userId;
    model.m_room = stringOf(dic, UserKeys::room);
    model.m_role = *role;
    model.m_username = *username;
    return model;
}

} // namespace kesvor
