#include "SdkSessionTest.h"

#include "Kesvor/NetworkTime.h"
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
    m_service = std::make_unique<ChatService>();
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

    m_host = std::make_unique<QWidget>();
    m_host->resize(320, 568);
    m_host->show();
    ui::Application::shared().setHostWindow(m_host.get());
    m_console = std::make_unique<ConsoleCapture>();
}

void SdkSessionTest::TearDown()
{
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    m_console.reset();
    Kesvor::setWindow(nullptr);
    ui::Application::shared().setHostWindow(nullptr);
    m_host.reset();
    m_service.reset();
}

void SdkSessionTest::openConversation()
{
    Kesvor::show();
    ASSERT_NE(Kesvor::window(), nullptr);
}

std::optional<QString> SdkSessionTest::shownAlert()
{
    ui::Window* window = Kesvor::window();
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

QVariantList SdkSessionTest::requests(const char* path)
{
    return m_service->receivedRequests(QString::fromLatin1(path));
}

} // namespace kesvor::test
