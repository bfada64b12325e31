#pragma once

#include "kesvor/KesvorGlobal.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

namespace kesvor {

/// Keys of the end-user metadata the host can pass to the SDK.
enum class KUserInfoKey : int {
    KUserId = 0,
    KEmail = 1,
    KPhone = 2,
    KUsername = 3,
};

/// The key with raw value rawValue (0 to 3), or nothing for any other integer.
KESVOR_EXPORT std::optional<KUserInfoKey> userInfoKeyFromRawValue(int rawValue);

constexpr int rawValue(KUserInfoKey key)
{
    return static_cast<int>(key);
}

/// A key hashes to its raw value.
inline size_t qHash(KUserInfoKey key, size_t seed = 0) noexcept
{
    return static_cast<size_t>(rawValue(key)) ^ seed;
}

/// Metadata describing the end user, handed to Kesvor::setMetaUserinfo(). The
/// SDK sends it with the customer's sign-up and takes the customer id from its
/// KUserId entry. A plain value: copies are independent.
class KESVOR_EXPORT KesvorMetaUserInfo {
public:
    using Info = QHash<KUserInfoKey, QString>;

    explicit KesvorMetaUserInfo(const Info& info);
    KesvorMetaUserInfo(const KesvorMetaUserInfo& other);
    KesvorMetaUserInfo& operator=(const KesvorMetaUserInfo& other);
    KesvorMetaUserInfo(KesvorMetaUserInfo&& other) noexcept;
    KesvorMetaUserInfo& operator=(KesvorMetaUserInfo&& other) noexcept;
    ~KesvorMetaUserInfo();

    std::optional<Info> info() const;
    void setInfo(const std::optional<Info>& info);

    /// The wire form: "userId", "email", "phone", "username" for the keys that
    /// have an entry, nothing else; empty when info is absent.
    QVariantMap toDictionary() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kesvor

template <> struct std::hash<kesvor::KUserInfoKey> {
    size_t operator()(kesvor::KUserInfoKey key) const noexcept
    {
        return static_cast<size_t>(kesvor::rawValue(key));
    }
};
