#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorPrivate.h"
#include "Service/WebServiceManager.h"
#include "Store/MyDataController.h"
#include "kesvor/Kesvor.h"
#include "net/NetworkReachability.h"
#include "support/SdkSessionTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kesvor;

namespace {

const QString somethingWentWrong = WebServiceManager::somethingWentWrongMessage;
const QString noInternet = WebServiceManager::noInternetMessage;

class StartupChainTest : public test::SdkSessionTest {
protected:
    void SetUp() override
    {
        SdkSessionTest::SetUp();
        Kesvor::initWithToken(service().token());
        openAlertWindow();
    }

    static WebServiceManager& manager() { return WebServiceManager::sharedInstance(); }

    // Runs the chain and waits until it has synchronised the clock.
    void runChain()
    {
        const int syncs = clockSyncs();
        manager().connectClient();
        ASSERT_TRUE(test::waitUntil([&] { return clockSyncs() > syncs; }));
    }

    // Runs the chain expecting it to end in the given alert, without going
    // on to the clock. A fresh window takes the next alert.
    void runChainFailing(const QString& alert)
    {
        const int syncs = clockSyncs();
        manager().connectClient();
        ASSERT_TRUE(waitForAlert()) << alert.toStdString();
        EXPECT_EQ(shownAlert(), alert);
        EXPECT_EQ(clockSyncs(), syncs);
        openAlertWindow();
    }

    QVariantMap lastBody(const char* path)
    {
        return requests(path).value(requests(path).size() - 1).toMap()["body"].toMap();
    }

    static int storedMessages()
    {
        auto context = MyDataController::sharedInstance().context();
        return int(context->fetch(Chat::fetchRequest())->size());
    }
};

} // namespace

TEST_F(StartupChainTest, VerifiesOnceThenSignsUpOnEveryRun)
{
    runChain();
    ASSERT_EQ(requests(WebServiceManager::verifyPath).size(), 1);
    EXPECT_EQ(lastBody(WebServiceManager::verifyPath),
              (QVariantMap{{"businessId", service().token()}}));
    EXPECT_TRUE(KesvorPrivate::isBusinessVerified());
    EXPECT_EQ(KesvorPrivate::businessId(), service().token());

    // Nothing known about the customer: exactly the five fixed keys.
    const QVariantMap body = lastBody(WebServiceManager::signUpPath);
    EXPECT_EQ(body.keys(),
              (QStringList{"businessId", "email", "platformInfo", "profileImage", "role"}));
    EXPECT_EQ(body["role"], "customer");
    EXPECT_EQ(body["email"], "");
    EXPECT_EQ(body["profileImage"], "");
    EXPECT_EQ(body["businessId"], service().token());
    EXPECT_EQ(body["platformInfo"].toMap().keys(),
              (QStringList{"OSName", "browserName", "majorVersion"}));

    // The record is stored as it came and the session holds it.
    const QVariantList users = service().state()["users"].toList();
    ASSERT_EQ(users.size(), 1);
    // The socket session may have added the room id by now.
    QVariantMap stored = KesvorLocalStorage::storedUser().value_or(QVariantMap());
    stored.remove("roomId");
    EXPECT_EQ(stored, users.first().toMap());
    EXPECT_EQ(KesvorPrivate::user(), users.first().toMap());
    EXPECT_TRUE(KesvorLocalStorage::standard().boolForKey(KesvorLocalStorage::isSignUpDoneKey));
    EXPECT_TRUE(requests(WebServiceManager::updatePath).isEmpty());

    // Again: no verification, and the stored customer signs up as itself.
    runChain();
    EXPECT_EQ(requests(WebServiceManager::verifyPath).size(), 1);
    EXPECT_EQ(requests(WebServiceManager::signUpPath).size(), 2);
    EXPECT_EQ(lastBody(WebServiceManager::signUpPath)["userId"], users.first().toMap()["userId"]);
    EXPECT_EQ(service().state()["users"].toList().size(), 1);
    EXPECT_EQ(shownAlert(), std::nullopt);
}

TEST_F(StartupChainTest, AnotherHostCustomerWipesTheStoredOneBeforeSigningUpWithMetadata)
{
    Kesvor::setMetaUserinfo(
        KesvorMetaUserInfo({{KUserInfoKey::KUserId, "A"}, {KUserInfoKey::KEmail, "a@x.io"}}));
    // Customer B was signed up earlier in this process and has a message.
    const QVariantMap recordB{{"userId", "B"},
                              {"businessId", service().token()},
                              {"role", "customer"},
                              {"username", "b"}};
    KesvorLocalStorage::storeUser(recordB);
    KesvorPrivate::setUser(recordB);
    MyDataController::sharedInstance().addChat({{"msgFrom", "B"},
                                                {"msgTo", "bot"},
                                                {"msg", QVariantMap{{"message", QVariantMap{}}}},
                                                {"roomId", "r"},
                                                {"createdOn", "2017-03-01T10:15:30.123+0000"},
                                                {"senderIdentity", "B"},
                                                {"senderRole", "customer"},
                                                {"approvedByAgent", "approved"}});
    ASSERT_EQ(storedMessages(), 1);

    runChain();
    EXPECT_EQ(storedMessages(), 0);
    const QVariantMap body = lastBody(WebServiceManager::signUpPath);
    EXPECT_EQ(body["userId"], "A");
    EXPECT_EQ(body["metaUserInfo"], (QVariantMap{{"userId", "A"}, {"email", "a@x.io"}}));
    EXPECT_EQ(KesvorLocalStorage::storedUser()->value("userId"), "A");
    EXPECT_EQ(KesvorPrivate::user()->value("userId"), "A");
}

TEST_F(StartupChainTest, TheDeviceTokenIsSentOnceACustomerIsKnown)
{
    // Nobody signed up yet: nothing to update. The chain's update below is
    // the first and only one.
    KesvorPrivate::registerDeviceToken("0AFF00");

    runChain();
    const QString userId = KesvorPrivate::user()->value("userId").toString();
    ASSERT_TRUE(
        test::waitUntil([&] { return requests(WebServiceManager::updatePath).size() == 1; }));
    EXPECT_EQ(lastBody(WebServiceManager::updatePath),
              (QVariantMap{{"userId", userId}, {"deviceToken", "0AFF00"}}));

    KesvorPrivate::registerDeviceToken("0B");
    ASSERT_TRUE(
        test::waitUntil([&] { return requests(WebServiceManager::updatePath).size() == 2; }));
    EXPECT_EQ(lastBody(WebServiceManager::updatePath),
              (QVariantMap{{"userId", userId}, {"deviceToken", "0B"}}));
    EXPECT_EQ(service().state()["users"].toList().first().toMap()["deviceToken"], "0B");

    // A rejected update says so, and the chain around it goes on.
    ASSERT_TRUE(service().setEndpointMode("update", "missing"));
    runChain();
    ASSERT_TRUE(waitForAlert());
    EXPECT_EQ(shownAlert(), somethingWentWrong);
}

TEST_F(StartupChainTest, NoTokenOrNoNetworkSendsNothing)
{
    for (const std::optional<QString>& token :
         {std::optional<QString>(), std::optional(QString())}) {
        KesvorPrivate::setBusinessToken(token);
        manager().connectClient();
    }
    EXPECT_EQ(console().count(WebServiceManager::noTokenLine), 2);
    EXPECT_EQ(shownAlert(), std::nullopt);

    KesvorPrivate::setBusinessToken(service().token());
    net::NetworkReachability::setFlagsSource([](const QString&) { return 0u; });
    runChainFailing(noInternet);
    EXPECT_TRUE(requests(WebServiceManager::verifyPath).isEmpty());

    // Verified while reachable, then the network goes before sign-up.
    net::NetworkReachability::setFlagsSource({});
    runChain();
    net::NetworkReachability::setFlagsSource([](const QString&) { return 0u; });
    runChainFailing(noInternet);
    EXPECT_EQ(requests(WebServiceManager::signUpPath).size(), 1);
}

TEST_F(StartupChainTest, EveryVerificationFailureStopsTheChain)
{
    for (const QString mode : {"drop", "garbage", "missing", "wrong-type"}) {
        ASSERT_TRUE(service().setEndpointMode("verify", mode, 1));
        runChainFailing(somethingWentWrong);
        EXPECT_FALSE(KesvorPrivate::isBusinessVerified()) << mode.toStdString();
    }
    EXPECT_EQ(console().count(WebServiceManager::invalidTokenLine), 2);
    EXPECT_TRUE(requests(WebServiceManager::signUpPath).isEmpty());

    // A token the service does not know is refused the same way.
    Kesvor::initWithToken("unknown-business");
    runChainFailing(somethingWentWrong);
    EXPECT_EQ(console().count(WebServiceManager::invalidTokenLine), 3);
}

TEST_F(StartupChainTest, EverySignUpFailureStopsTheChain)
{
    for (const QString mode : {"drop", "garbage", "missing", "wrong-type"}) {
        ASSERT_TRUE(service().setEndpointMode("signup", mode, 1));
        runChainFailing(somethingWentWrong);
    }
    EXPECT_EQ(requests(WebServiceManager::signUpPath).size(), 4);
    EXPECT_FALSE(KesvorLocalStorage::storedUser());
    EXPECT_FALSE(KesvorLocalStorage::standard().boolForKey(KesvorLocalStorage::isSignUpDoneKey));
    EXPECT_EQ(console().lines(), QStringList());
}
