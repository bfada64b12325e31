#include "Kesvor/KesvorPrivate.h"

#include "Kesvor/KesvorLocalStorage.h"
#include "Service/ServiceKeys.h"
#include "Service/UserKeys.h"
#include "Service/WebServiceManager.h"
#include "Store/MyDataController.h"
#include "foundation/MainThread.h"

namespace kesvor {

namespace {

// Process-wide session state. The host and the SDK touch it on the main
// thread only.
struct Session {
    std::optional<QString> businessToken;
    std::optional<QString> businessId;
    std::optional<QString> businessName;
    bool isBusinessVerified = false;
    std::optional<QVariantMap> user;
    std::optional<QString> customerId;
    std::optional<KesvorMetaUserInfo> metaUserinfo;
    std::optional<QString> deviceToken;
};

Session& session()
{
    static Session state;
    return state;
}

std::optional<QString> customerIdOf(const std::optional<KesvorMetaUserInfo>& metaUserinfo)
{
    if (!metaUserinfo)
        return std::nullopt;
    const auto info = metaUserinfo->info();
    if (!info)
        return std::nullopt;
    const auto entry = info->constFind(KUserInfoKey::KUserId);
    if (entry == info->cend())
        return std::nullopt;
    return *entry;
}

} // namespace

std::optional<QString> KesvorPrivate::businessToken()
{
    return session().businessToken;
}

void KesvorPrivate::setBusinessToken(const std::optional<QString>& token)
{
    KESVOR_ASSERT_MAIN_THREAD();
    session().businessToken = token;
}

std::optional<QString> KesvorPrivate::businessId()
{
    return session().businessId;
}

void KesvorPrivate::setBusinessId(const std::optional<QString>& businessId)
{
    KESVOR_ASSERT_MAIN_THREAD();
    session().businessId = businessId;
}

std::optional<QString> KesvorPrivate::businessName()
{
    return session().businessName;
}

void KesvorPrivate::setBusinessName(const std::optional<QString>& businessName)
{
    KESVOR_ASSERT_MAIN_THREAD();
    session().businessName = businessName;
}

bool KesvorPrivate::isBusinessVerified()
{
    return session().isBusinessVerified;
}

void KesvorPrivate::setIsBusinessVerified(bool verified)
{
    KESVOR_ASSERT_MAIN_THREAD();
    session().isBusinessVerified = verified;
}

std::optional<QVariantMap> KesvorPrivate::user()
{
    return session().user;
}

void KesvorPrivate::setUser(const std::optional<QVariantMap>& user)
{
    KESVOR_ASSERT_MAIN_THREAD();
    session().user = user;
}

std::optional<QString> KesvorPrivate::customerId()
{
    return session().customerId;
}

void KesvorPrivate::setCustomerId(const std::optional<QString>& customerId)
{
    KESVOR_ASSERT_MAIN_THREAD();
    session().customerId = customerId;
    if (customerId)
        wipeStoredCustomerIfReplacedBy(*customerId);
}

std::optional<KesvorMetaUserInfo> KesvorPrivate::metaUserinfo()
{
    return session().metaUserinfo;
}

void KesvorPrivate::setMetaUserinfo(const std::optional<KesvorMetaUserInfo>& metaUserinfo)
{
    KESVOR_ASSERT_MAIN_THREAD();
    session().metaUserinfo = metaUserinfo;
    setCustomerId(customerIdOf(metaUserinfo));
}

std::optional<QString> KesvorPrivate::deviceToken()
{
    return session().deviceToken;
}

void KesvorPrivate::setDeviceToken(const std::optional<QString>& token)
{
    KESVOR_ASSERT_MAIN_THREAD();
    session().deviceToken = token;
}

void KesvorPrivate::registerDeviceToken(const QString& token)
{
    KESVOR_ASSERT_MAIN_THREAD();
    setDeviceToken(token);
    if (!KesvorLocalStorage::standard().boolForKey(
            QString::fromLatin1(KesvorLocalStorage::isSignUpDoneKey)))
        return;
    WebServiceManager& service = WebServiceManager::sharedInstance();
    // May wipe the previous customer's messages when the host's id replaced it.
    if (const auto customerId = service.getCustomerId())
        service.updateUser({{foundation::rawValue(UserKeys::userId), *customerId},
                            {foundation::rawValue(ServiceKeys::deviceToken), token}});
}

void KesvorPrivate::clearStoredUser()
{
    KESVOR_ASSERT_MAIN_THREAD();
    KesvorLocalStorage::removeStoredUser();
}

bool KesvorPrivate::wipeStoredCustomerIfReplacedBy(const QString& customerId)
{
    KESVOR_ASSERT_MAIN_THREAD();
    const auto& user = session().user;
    if (!user)
        return false;
    const QVariant storedId = user->value(foundation::rawValue(UserKeys::userId));
    if (storedId.typeId() != QMetaType::QString || storedId.toString() == customerId)
        return false;
    MyDataController::sharedInstance().clearChat();
    KesvorLocalStorage::removeStoredUser();
    return true;
}

} // namespace kesvor
