#include "Kesvor/KesvorPrivate.h"
#include "Service/WebServiceManager.h"
#include "kesvor/Kesvor.h"
#include "support/SdkSessionTest.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/ApplicationDelegate.h"

using namespace kesvor;

namespace {

class TokenDelegate : public ui::ApplicationDelegate {
public:
    bool implements(ui::DelegateCallback) const override { return true; }
    void applicationDidRegisterForRemoteNotifications(ui::Application&,
                                                      const QByteArray& deviceToken) override
    {
        tokens.append(deviceToken);
    }
    QList<QByteArray> tokens;
};

class PushTokenTest : public test::SdkSessionTest {
protected:
    void TearDown() override
    {
        ui::Application::shared().setDelegate(nullptr);
        SdkSessionTest::TearDown();
    }

    QVariantMap request(const char* path, qsizetype index)
    {
        return requests(path).value(index).toMap();
    }
};

} // namespace

TEST_F(PushTokenTest, TheDeviceTokenReachesTheServiceOnceTheCustomerSignedUp)
{
    TokenDelegate host;
    ui::Application& application = ui::Application::shared();
    application.setDelegate(&host);
    Kesvor::initWithToken(service().token());

    // The platform reports the token before any customer exists: it waits.
    application.didRegisterForRemoteNotifications(QByteArray("\x0A\xFF\x00", 3));
    EXPECT_EQ(host.tokens, QList<QByteArray>{QByteArray("\x0A\xFF\x00", 3)});
    EXPECT_EQ(KesvorPrivate::deviceToken(), "0AFF00");

    startSession();
    ASSERT_TRUE(test::waitUntil([&] { return requests(WebServiceManager::updatePath).size() == 1; },
                                10'000));
    const QVariantMap update = request(WebServiceManager::updatePath, 0);
    const QVariantMap signUp = request(WebServiceManager::signUpPath, 0);
    EXPECT_GT(update["seq"].toInt(), signUp["seq"].toInt());
    const QString userId = KesvorPrivate::user()->value("userId").toString();
    EXPECT_EQ(update["body"].toMap(), (QVariantMap{{"userId", userId}, {"deviceToken", "0AFF00"}}));

    // A new token after sign-up goes at once.
    application.didRegisterForRemoteNotifications(QByteArray("\x0B", 1));
    ASSERT_TRUE(test::waitUntil([&] { return requests(WebServiceManager::updatePath).size() == 2; },
                                10'000));
    EXPECT_EQ(request(WebServiceManager::updatePath, 1)["body"].toMap()["deviceToken"], "0B");
    EXPECT_EQ(host.tokens.size(), 2);
}
