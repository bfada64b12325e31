#include "kesvor/KesvorMetaUserInfo.h"

#include <array>
#include <utility>

namespace kesvor {

namespace {

// Wire keys in the order toDictionary() visits the cases.
constexpr std::array<std::pair<KUserInfoKey, const char*>, 4> wireKeys{{
    {KUserInfoKey::KUserId, "userId"},
    {KUserInfoKey::KEmail, "email"},
    {KUserInfoKey::KPhone, "phone"},
    {KUserInfoKey::KUsername, "username"},
}};

} // namespace

std::optional<KUserInfoKey> userInfoKeyFromRawValue(int rawValue)
{
    if (rawValue < 0 || rawValue >= int(wireKeys.size()))
        return std::nullopt;
    return static_cast<KUserInfoKey>(rawValue);
}

struct KesvorMetaUserInfo::Private {
    std::optional<Info> info;
};

KesvorMetaUserInfo::KesvorMetaUserInfo(const Info& info)
    : d(std::make_unique<Private>(Private{info}))
{
}

KesvorMetaUserInfo::KesvorMetaUserInfo(const KesvorMetaUserInfo& other)
    : d(std::make_unique<Private>(*other.d))
{
}

KesvorMetaUserInfo& KesvorMetaUserInfo::operator=(const KesvorMetaUserInfo& other)
{
    if (this != &other)
        d = std::make_unique<Private>(*other.d);
    return *this;
}

KesvorMetaUserInfo::KesvorMetaUserInfo(KesvorMetaUserInfo&& other) noexcept
    : d(std::make_unique<Private>(std::move(*other.d)))
{
}

KesvorMetaUserInfo& KesvorMetaUserInfo::operator=(KesvorMetaUserInfo&& other) noexcept
{
    *d = std::move(*other.d);
    return *this;
}

KesvorMetaUserInfo::~KesvorMetaUserInfo() = default;

std::optional<KesvorMetaUserInfo::Info> KesvorMetaUserInfo::info() const
{
    return d->info;
}

void KesvorMetaUserInfo::setInfo(const std::optional<Info>& info)
{
    d->info = info;
}

QVariantMap KesvorMetaUserInfo::toDictionary() const
{
    QVariantMap result;
    if (!d->info)
        return result;
    for (const auto& [key, wireKey] : wireKeys) {
        const auto entry = d->info->constFind(key);
        if (entry != d->info->cend())
            result.insert(QString::fromLatin1(wireKey), *entry);
    }
    return result;
}

} // namespace kesvor
