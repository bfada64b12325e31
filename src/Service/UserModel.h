#pragma once

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>

namespace kesvor {

/// The customer record: who the customer is for the service and in which
/// room they talk. Made only by initWithDic().
class UserModel {
public:
    /// The record of dic, or nothing when "businessId", "userId", "role" or
    /// "username" is missing or not a string. "room" is taken when it is a
    /// string.
    static std::optional<UserModel> initWithDic(const QVariantMap& dic);

    const QString& businessId() const { return m_businessId; }
    /// The customer id of the socket session and of messages.
    const QString& userId() const { return m_userId; }
    const std::optional<QString>& room() const { return m_room; }
    const QString& role() const { return m_role; }
    const QString& username() const { return m_username; }

private:
    UserModel() = default;

    QString m_businessId;
    QString m_userId;
    std::optional<QString> m_room;
    QString m_role;
    QString m_username;
};

} // namespace kesvor
