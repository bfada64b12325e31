#include "Service/WebServiceManager.h"

#include "Kesvor/KesvorAlertController.h"
#include "Kesvor/KesvorConfiguration.h"
#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorPrivate.h"
#include "Kesvor/NetworkTime.h"
#include "Kesvor/PlatformInfo.h"
#include "Service/ServiceKeys.h"
#include "Service/UserKeys.h"
#include "Socket/SocketManager.h"
#include "Store/MyDataController.h"
#include "View/NetworkStatus.h"
#include "foundation/Console.h"
#include "foundation/DebugLog.h"
#include "foundation/Json.h"
#include "foundation/MainThread.h"
#include "net/NHNetworkClock.h"

namespace kesvor {

namespace {

QString text(const char* latin1)
{
    return QString::fromLatin1(latin1);
}

template <typename Key> QString key(Key wireKey)
{
    return foundation::rawValue(wireKey);
}

void showSomethingWentWrong()
{
    KesvorAlertController::showAlert(text(WebServiceManager::somethingWentWrongMessage));
}

// The string under "userId" of a record, if there is one.
std::optional<QString> userIdOf(const std::optional<QVariantMap>& record)
{
    if (!record)
        return std::nullopt;
    const QVariant value = record->value(key(UserKeys::userId));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace

WebServiceManager& WebServiceManager::sharedInstance()
{
    KESVOR_ASSERT_MAIN_THREAD();
    static WebServiceManager instance;
    return instance;
}

QString WebServiceManager::urlFor(const char* path)
{
    return KesvorConfiguration::serviceBaseUrl() + text(path);
}

bool WebServiceManager::isReachableBeforeRequest()
{
    if (NetworkStatus::sharedInstance().isReachable())
        return true;
    KesvorAlertController::showAlert(text(noInternetMessage));
    return false;
}

bool WebServiceManager::checkForError(const std::optional<foundation::Error>& error,
                                      const std::optional<QVariantMap>& result)
{
    if (error) {
        KESVOR_DEBUG_LOG << error->description;
        return true;
    }
    if (!result) {
        KESVOR_DEBUG_LOG << "result is nil.";
        return true;
    }
    return false;
}

void WebServiceManager::connectClient()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (isConnecting()) {
        KESVOR_DEBUG_LOG << "start-up chain: joining the one that runs";
        return;
    }
    if (SocketManager* manager = SocketManager::sharedInstance(); manager && manager->isConnected())
        manager->socket()->disconnect();
    const auto chain = std::make_shared<int>(0);
    m_runningChain = chain;
    verifyBuisness([this, chain] { signUpStep(chain); });
}

void WebServiceManager::verifyBuisness(std::function<void()> completionHandler)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (KesvorPrivate::isBusinessVerified()) {
        if (completionHandler)
            completionHandler();
        return;
    }
    const std::optional<QString> token = KesvorPrivate::businessToken();
    if (!token || token->isEmpty()) {
        foundation::Console::print(text(noTokenLine));
        return;
    }
    const QVariantMap body{{key(UserKeys::businesId), *token}};
    if (!isReachableBeforeRequest())
        return;
    Request::request(urlFor(verifyPath), RequestMethod::POST, body,
                     [token = *token, completionHandler](auto error, auto result) {
                         if (checkForError(error, result)) {
                             showSomethingWentWrong();
                             return;
                         }
                         if (!foundation::Json::asMap(result->value(key(ServiceKeys::business)))) {
                             foundation::Console::print(text(invalidTokenLine));
                             showSomethingWentWrong();
                             return;
                         }
                         KesvorPrivate::setBusinessId(token);
                         KesvorPrivate::setIsBusinessVerified(true);
                         if (completionHandler)
                             completionHandler();
                     });
}

void WebServiceManager::signUpStep(const ChainToken& chain)
{
    const std::optional<QString> businessId = KesvorPrivate::businessId();
    if (!businessId) {
        KESVOR_DEBUG_LOG << "sign-up: the verified business has no id";
        return;
    }
    QVariantMap body{{key(UserKeys::role), QStringLiteral("customer")},
                     {key(ServiceKeys::email), QString()},
                     {key(ServiceKeys::profileImage), QString()},
                     {key(UserKeys::businesId), *businessId},
                     {key(ServiceKeys::platformInfo), PlatformInfo::info()}};
    // May wipe the previous customer's messages and record first (the host's
    // id replaced it), so the sign-up starts clean.
    if (const auto customerId = getCustomerId())
        body.insert(key(UserKeys::userId), *customerId);
    if (const auto metaUserinfo = KesvorPrivate::metaUserinfo())
        body.insert(key(ServiceKeys::metaUserInfo), metaUserinfo->toDictionary());
    signUp(body, [this, chain](auto error, auto result) { signUpResponse(chain, error, result); });
}

void WebServiceManager::signUp(const QVariantMap& user,
                               Request::CompletionHandler completionHandler)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!isReachableBeforeRequest())
        return;
    Request::request(urlFor(signUpPath), RequestMethod::POST, user, std::move(completionHandler));
}

void WebServiceManager::signUpResponse(const ChainToken& chain,
                                       const std::optional<foundation::Error>& error,
                                       const std::optional<QVariantMap>& result)
{
    if (checkForError(error, result)) {
        showSomethingWentWrong();
        return;
    }
    const auto user = foundation::Json::asMap(result->value(key(ServiceKeys::user)));
    if (!user) {
        KESVOR_DEBUG_LOG << "user cannot be nil.";
        showSomethingWentWrong();
        return;
    }
    foundation::UserDefaults& defaults = KesvorLocalStorage::standard();
    KesvorLocalStorage::storeUser(*user);
    defaults.setBool(true, text(KesvorLocalStorage::isSignUpDoneKey));
    defaults.synchronize();
    KesvorPrivate::setUser(*user);

    const std::optional<QString> deviceToken = KesvorPrivate::deviceToken();
    const std::optional<QString> userId = userIdOf(user);
    if (deviceToken && userId)
        updateUser(
            {{key(UserKeys::userId), *userId}, {key(ServiceKeys::deviceToken), *deviceToken}});

    NetworkTime::sharedInstance().sync([this, chain] {
        // Only the chain that asked for the clock; a later one has its own.
        if (m_runningChain.lock() == chain)
            connectStep();
    });
}

void WebServiceManager::connectStep()
{
    m_runningChain.reset();
    if (SocketManager* manager = SocketManager::sharedInstance())
        manager->reconnect();
}

void WebServiceManager::updateUser(const QVariantMap& data)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!isReachableBeforeRequest())
        return;
    Request::request(urlFor(updatePath), RequestMethod::POST, data, [](auto error, auto result) {
        if (checkForError(error, result)) {
            showSomethingWentWrong();
            return;
        }
        if (!foundation::Json::asMap(result->value(key(ServiceKeys::user)))) {
            KESVOR_DEBUG_LOG << "user cannot be nil.";
            showSomethingWentWrong();
            return;
        }
        KESVOR_DEBUG_LOG << "Update success";
    });
}

std::optional<QString> WebServiceManager::getCustomerId()
{
    KESVOR_ASSERT_MAIN_THREAD();
    const std::optional<QString> customerId = KesvorPrivate::customerId();
    if (!customerId)
        return userIdOf(KesvorPrivate::user());
    KesvorPrivate::wipeStoredCustomerIfReplacedBy(*customerId);
    return customerId;
}

} // namespace kesvor
