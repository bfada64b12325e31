#include "kesvor/Kesvor.h"

#include "Kesvor/KesvorLocalStorage.h"
#include "Service/WebServiceManager.h"
#include "Store/MyDataController.h"

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

void deleteStoredMessages()
{
    MyDataController::sharedInstance().clearChat();
}

// A new host customer id that differs from the stored customer's wipes that
// customer's messages and record, so the next sign-up starts clean.
void customerIdDidChange(const std::optional<QString>& newId)
{
    if (!newId)
        return;
    const auto& user = session().user;
    if (!user)
        return;
    const QVariant storedId = user->value(QString::fromLatin1("userId"));
    if (storedId.typeId() != QMetaType::QString || storedId.toString() == *newId)
        return;
    deleteStoredMessages();
    KesvorLocalStorage::removeStoredUser();
}

} // namespace

void Kesvor::initWithToken(const QString& token)
{
    session().businessToken = token;
    session().user = KesvorLocalStorage::storedUser();
}

void Kesvor::clearChat()
{
    deleteStoredMessages();
}

std::optional<QString> Kesvor::customerId()
{
    return session().customerId;
}

void Kesvor::setCustomerId(const std::optional<QString>& customerId)
{
    session().customerId = customerId;
    customerIdDidChange(customerId);
}

std::optional<KesvorMetaUserInfo> Kesvor::metaUserinfo()
{
    return session().metaUserinfo;
}

void Kesvor::setMetaUserinfo(const std::optional<KesvorMetaUserInfo>& metaUserinfo)
{
    session().metaUserinfo = metaUserinfo;
    std::optional<QString> id;
    if (metaUserinfo) {
        if (const auto info = metaUserinfo->info()) {
            const auto entry = info->constFind(KUserInfoKey::KUserId);
            if (entry != info->cend())
                id = *entry;
        }
    }
    setCustomerId(id);
}

std::optional<QString> Kesvor::businessToken()
{
    return session().businessToken;
}

void Kesvor::setBusinessToken(const std::optional<QString>& token)
{
    session().businessToken = token;
}

std::optional<QString> Kesvor::businessId()
{
    return session().businessId;
}

void Kesvor::setBusinessId(const std::optional<QString>& businessId)
{
    session().businessId = businessId;
}

std::optional<QString> Kesvor::businessName()
{
    return session().businessName;
}

void Kesvor::setBusinessName(const std::optional<QString>& businessName)
{
    session().businessName = businessName;
}

bool Kesvor::isBusinessVerified()
{
    return session().isBusinessVerified;
}

void Kesvor::setIsBusinessVerified(bool verified)
{
    session().isBusinessVerified = verified;
}

std::optional<QVariantMap> Kesvor::user()
{
    return session().user;
}

void Kesvor::setUser(const std::optional<QVariantMap>& user)
{
    session().user = user;
}

std::optional<QString> Kesvor::deviceToken()
{
    return session().deviceToken;
}

void Kesvor::setDeviceToken(const std::optional<QString>& token)
{
    session().deviceToken = token;
}

void Kesvor::registerDeviceToken(const QString& token)
{
    setDeviceToken(token);
    if (!KesvorLocalStorage::standard().boolForKey(
            QString::fromLatin1(KesvorLocalStorage::isSignUpDoneKey)))
        return;
    WebServiceManager& service = WebServiceManager::sharedInstance();
    if (const auto customerId = service.getCustomerId())
        service.updateUser(
            {{QStringLiteral("userId"), *customerId}, {QStringLiteral("deviceToken"), token}});
}

void Kesvor::clearStoredUser()
{
    KesvorLocalStorage::removeStoredUser();
}

} // namespace kesvor
