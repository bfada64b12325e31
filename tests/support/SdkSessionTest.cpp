#include "support/SdkSessionTest.h"

#include "Kesvor/KesvorWindows.h"
#include "Kesvor/NetworkTime.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "Store/MyDataController.h"
#include "foundation/NotificationCenter.h"
#include "kesvor/Kesvor.h"
#include "net/NHNetworkClock.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

using namespace std::chrono_literals;

namespace kesvor::test {

void SdkSessionTest::SetUp()
{
    m_service = std::make_unique<ChatService>(serviceOptions());
    ASSERT_TRUE(m_service->start()) << m_service->errorString().toStdString();
    qputenv("KESVOR_SERVICE_URL", m_service->baseUrl().toUtf8());
    qputenv("KESVOR_REACHABILITY_HOST", "localhost");
    // Port 9 (discard) answers nothing: the clock keeps device time.
    qputenv("KESVOR_NTP_SERVERS", "127.0.0.1:9");
    net::NHNetworkClock* clock = NetworkTime::sharedInstance().time();
    auto options = clock->options();
    options.timeout = 300ms;
    clock->setOptions(options);
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(net::kNHNetworkTimeSyncCompleteNotification),
        [this](const foundation::Notification&) { ++m_clockSyncs; });
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(SocketConnectNotification),
        [this](const foundation::Notification&) { ++m_connects; });
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(SocketDisconnectNotification),
        [this](const foundation::Notification&) { ++m_disconnects; });

    m_host = std::make_unique<QWidget>();
    m_host->resize(320, 568);
    m_host->show();
    ui::Application::shared().setHostWindow(m_host.get());
    m_console = std::make_unique<ConsoleCapture>();
}

void SdkSessionTest::TearDown()
{
    saveScreenshotIfFailed(*m_host);
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    m_console.reset();
    KesvorWindows::setWindow(nullptr);
    ui::Application::shared().setHostWindow(nullptr);
    m_host.reset();
    m_service.reset();
}

void SdkSessionTest::openAlertWindow()
{
    auto* window = new ui::Window(QRectF(QPointF(), QSizeF(m_host->size())));
    KesvorWindows::setWindow(window);
    window->makeKeyAndVisible();
    window->setRootViewController(new ui::ViewController);
}

std::optional<QString> SdkSessionTest::shownAlert()
{
    ui::Window* window = KesvorWindows::window();
    ui::ViewController* root = window ? window->rootViewController() : nullptr;
    const auto* alert =
        root ? qobject_cast<ui::AlertController*>(root->presentedViewController()) : nullptr;
    if (!alert)
        return std::nullopt;
    return alert->message();
}

bool SdkSessionTest::waitForAlert(int timeoutMs)
{
    return waitUntil([] { return shownAlert().has_value(); }, timeoutMs);
}

void SdkSessionTest::startSession()
{
    Kesvor::initWithToken(m_service->token());
    const auto asked = received("old-chats").size();
    WebServiceManager::sharedInstance().connectClient();
    ASSERT_TRUE(waitUntil([&] { return received("old-chats").size() > asked; }, 10'000));
}

void SdkSessionTest::waitForStore()
{
    MyDataController::sharedInstance()
        .messageAddOperationQueue()
        .waitUntilAllOperationsAreFinished();
}

QVariantList SdkSessionTest::storedMessages()
{
    data::FetchRequest request = Chat::fetchRequest();
    request.sortDescriptors = {{QStringLiteral("createdOn"), true}};
    // A context of its own reads what is in the store now.
    const auto context = MyDataController::sharedInstance().backgoundContext();
    QVariantList messages;
    context->performAndWait([&] {
        for (const auto& object : context->fetch(request).value_or(QList<data::ObjectPtr>{})) {
            const Chat chat(object);
            messages.append(
                QVariantMap{{"_id", chat.messageId().value_or(QString())},
                            {"msgFrom", chat.msgFrom()},
                            {"createdOn", chat.createdOn()},
                            {"msg", chat.msg().value_or(QVariantMap{})},
                            {"messageSentToCustomerStatus", chat.messageSentToCustomerStatus()},
                            {"messageSentToAgentStatus", chat.messageSentToAgentStatus()}});
        }
    });
    return messages;
}

QStringList SdkSessionTest::idsOf(const QVariantList& messages)
{
    QStringList ids;
    for (const QVariant& message : messages)
        ids << message.toMap()["_id"].toString();
    return ids;
}

QVariantList SdkSessionTest::received(const char* event)
{
    return m_service->receivedEvents(QString::fromLatin1(event));
}

QVariantList SdkSessionTest::requests(const char* path)
{
    return m_service->receivedRequests(QString::fromLatin1(path));
}

} // namespace kesvor::test
