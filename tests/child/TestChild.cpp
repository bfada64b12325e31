// Started by tests as a child process, to be killed (SIGKILL) part-way:
//
//   kesvor_test_child send <token> <text>
//       Runs the start-up chain for token against KESVOR_SERVICE_URL, sends
//       text once the room is open, prints "stored" when the message is in
//       the store, and waits. The one-second delay before the message goes
//       out never ends: the clock stands still.
//   kesvor_test_child histories <count> <times>
//       Writes a history of count messages (ids "h-0", "h-1", ...) to the
//       store times times, printing "writing" before each, then ends; with
//       times 0 it goes on until it is killed.
//
// The environment (KESVOR_DATA_DIR and the rest) comes from the test.
#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/NetworkTime.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "Store/MyDataController.h"
#include "View/ConversationActions.h"
#include "foundation/Clock.h"
#include "kesvor/Kesvor.h"
#include "net/NHNetworkClock.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QTimeZone>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <functional>

using namespace kesvor;

namespace {

void say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

bool runUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

int send(const QString& token, const QString& text)
{
    foundation::Clock::shared().setManual(true);
    net::NHNetworkClock* clock = NetworkTime::sharedInstance().time();
    auto options = clock->options();
    options.timeout = std::chrono::milliseconds(300);
    clock->setOptions(options);
    Kesvor::initWithToken(token);
    WebServiceManager::sharedInstance().connectClient();
    const bool open = runUntil(
        [] {
            const SocketManager* manager = SocketManager::sharedInstance();
            const auto record = KesvorLocalStorage::storedUser();
            return manager && manager->socket()->status() == net::SocketIOStatus::connected &&
                   record && record->contains(QStringLiteral("roomId"));
        },
        15'000);
    if (!open)
        return 1;
    // The handshake's catch-up looks for unsent messages on the store's queue;
    // once the queue is idle it has looked, so the message stored next is left
    // to the one-second delay, which never passes here.
    MyDataController::sharedInstance()
        .messageAddOperationQueue()
        .waitUntilAllOperationsAreFinished();
    if (ConversationActions::sendMessgeToServer(text, text) !=
        ConversationActions::SendResult::sent)
        return 1;
    say("stored");
    runUntil([] { return false; }, 120'000);
    return 0;
}

QVariantList history(int count)
{
    QVariantList messages;
    for (int i = 0; i < count; ++i)
        messages << QVariantMap{
            {"msgFrom", "agent-1"},
            {"msgTo", "customer-1"},
            {"msg", QVariantMap{{"message", QVariantMap{{"text", QStringLiteral("m%1").arg(i)}}}}},
            {"roomId", "room-1"},
            {"createdOn",
             QDateTime::fromMSecsSinceEpoch(1'700'000'000'000 + qint64(i) * 1000, QTimeZone::utc())
                 .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'+0000'"))},
            {"senderIdentity", "agent-1"},
            {"senderRole", "agent"},
            {"approvedByAgent", "approved"},
            {"_id", QStringLiteral("h-%1").arg(i)}};
    return messages;
}

int histories(int count, int times)
{
    const QVariantList messages = history(count);
    MyDataController& store = MyDataController::sharedInstance();
    for (int written = 0; times == 0 || written < times; ++written) {
        say("writing");
        store.addChats(messages, {});
        store.messageAddOperationQueue().waitUntilAllOperationsAreFinished();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("send"))
        return send(arguments[2], arguments[3]);
    if (arguments.size() == 4 && arguments[1] == QLatin1String("histories"))
        return histories(arguments[2].toInt(), arguments[3].toInt());
    std::fprintf(stderr,
                 "usage: kesvor_test_child send <token> <text> | histories <count> <times>\n");
    return 2;
}
