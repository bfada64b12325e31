// The conversation screen's speed and memory, against the stand-in chat
// service and its time server, on Qt's offscreen platform (Release build).
//
// Method. One run of this program measures every figure several times
// ("rounds") and keeps the best round of each, so that other work on the
// machine counts least; wall-clock times from std::chrono::steady_clock.
//
//   open/N        Kesvor::show() until the message list of a store holding N
//                 messages (100, 10,000, 100,000) has laid out its newest 20,
//                 scrolled to the newest and been drawn (the window rendered
//                 into an image); the screen is closed between rounds.
//   page          with 10,000 stored, a wheel turn that reaches the top of the
//                 list until 20 older messages are fetched, laid out, the top
//                 message kept in place and the window drawn.
//   send          with 10,000 stored and the session connected, from the Send
//                 path (ChatViewController::sendMessgeToServer) until the new
//                 right bubble is on screen and the window drawn: store write,
//                 merge into the list's results, batch update, paint. The
//                 one-second delay before "chat-msg" goes out is not part of it.
//   memory        peak resident memory (VmHWM) of a fresh process that opens
//                 the screen and draws its first frame, with an empty store
//                 and with 100,000 stored; the difference is the figure.
//   connect/ntp   Kesvor::show() until "Support Chat" shows and the room is
//                 joined: business verified (the verification is forgotten
//                 before every round), customer signed up, clock synchronised
//                 with the stand-in's SNTP responder, socket connected, room
//                 joined. Each round starts once the clock's previous round
//                 has ended, so no round rides on an earlier synchronisation.
//   connect/none  the same with a time server that never answers.
//   clock/...     the clock's synchronisation alone, in both cases.

#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorPrivate.h"
#include "Kesvor/KesvorWindows.h"
#include "Kesvor/NetworkTime.h"
#include "Socket/SocketManager.h"
#include "Store/MyDataController.h"
#include "View/ChatViewController.h"
#include "View/CustomDateFormatter.h"
#include "View/KNavBarView.h"
#include "kesvor/Kesvor.h"
#include "net/NHNetworkClock.h"
#include "shared/BestFigures.h"
#include "support/ChatService.h"
#include "ui/Application.h"
#include "ui/CollectionView.h"
#include "ui/Label.h"
#include "ui/Window.h"

#include <benchmark/benchmark.h>

#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimeZone>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <cstdio>
#include <memory>
#include <string>

using namespace kesvor;

namespace {

using bench::best;
using bench::keepBest;
using bench::nowMs;
using bench::waitFor;

constexpr int rounds = 7;
constexpr int hostWidth = 390;
constexpr int hostHeight = 844;
const char* const token = "bench-token";

struct Environment {
    QTemporaryDir dataDirectory;
    std::unique_ptr<test::ChatService> service;
    std::unique_ptr<QWidget> host;
};

Environment& environment()
{
    static Environment instance;
    return instance;
}

QVariantList history(int count)
{
    const CustomDateFormatter formatter;
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-qint64(count) * 5);
    QVariantList messages;
    messages.reserve(count);
    for (int i = 0; i < count; ++i) {
        const bool bot = i % 2 == 0;
        const QString sender = bot ? QStringLiteral("bot") : QStringLiteral("someone-else");
        messages << QVariantMap{
            {"msgFrom", sender},
            {"msgTo", bot ? QStringLiteral("someone-else") : QStringLiteral("bot")},
            {"msg",
             QVariantMap{{"message", QVariantMap{{"text", QStringLiteral("Message %1: how can we "
                                                                         "help you today?")
                                                              .arg(i)}}}}},
            {"roomId", "room-0815"},
            {"createdOn", formatter.RFC3339DateFormatter.stringFromDate(start.addSecs(i * 5))},
            {"senderIdentity", sender},
            {"senderRole", bot ? QStringLiteral("bot") : QStringLiteral("customer")},
            {"approvedByAgent", "approved"},
            {"_id", QStringLiteral("%1").arg(i, 24, 16, QLatin1Char('0'))},
            {"messageSentToCustomerStatus", "seen"},
            {"messageSentToAgentStatus", "seen"}};
    }
    return messages;
}

void fillStore(int count)
{
    MyDataController& store = MyDataController::sharedInstance();
    store.clearChat();
    store.addChats(history(count), [](const QList<Chat>&) {});
    store.messageAddOperationQueue().waitUntilAllOperationsAreFinished();
    store.myPersistentStoreCoordinator()->waitForCheckpoints();
}

ChatViewController* open()
{
    Kesvor::show();
    return ChatViewController::displayed();
}

void close()
{
    QPointer<ChatViewController> screen = ChatViewController::displayed();
    KesvorWindows::setWindow(nullptr);
    // A window is released later, which processEvents() alone never does.
    waitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !screen;
    });
}

// The list has laid out its newest messages and shows the newest at the bottom.
bool listShown(ChatViewController* screen, bool expectItems)
{
    if (!screen || !screen->isAppeared())
        return false;
    ui::CollectionView* list = screen->chatTableView();
    const int sections = list->numberOfSections();
    if (!expectItems)
        return sections == 0;
    if (sections == 0)
        return false;
    const int items = list->numberOfItemsInSection(sections - 1);
    return list->contentOffset().y() > 0 && list->cellForItem({sections - 1, items - 1});
}

void draw()
{
    KesvorWindows::window()->grab();
}

int shownMessages(ui::CollectionView* list)
{
    int count = 0;
    for (int section = 0; section < list->numberOfSections(); ++section)
        count += list->numberOfItemsInSection(section);
    return count;
}

void measureOpening(benchmark::State& state, int stored)
{
    fillStore(stored);
    const std::string figure = "open/" + std::to_string(stored);
    for (auto _ : state)
        for (int round = 0; round < rounds; ++round) {
            const double started = nowMs();
            ChatViewController* screen = open();
            if (!waitFor([&] { return listShown(screen, stored > 0); })) {
                state.SkipWithError("the list did not show");
                return;
            }
            draw();
            keepBest(figure, nowMs() - started);
            close();
        }
    state.counters["best_ms"] = best()[figure];
}

void BM_OpenWith100(benchmark::State& state)
{
    measureOpening(state, 100);
}
void BM_OpenWith10000(benchmark::State& state)
{
    measureOpening(state, 10'000);
}
void BM_OpenWith100000(benchmark::State& state)
{
    measureOpening(state, 100'000);
}

void BM_PageIn20Older(benchmark::State& state)
{
    fillStore(10'000);
    for (auto _ : state)
        for (int round = 0; round < rounds; ++round) {
            ChatViewController* screen = open();
            if (!waitFor([&] { return listShown(screen, true); })) {
                state.SkipWithError("the list did not show");
                return;
            }
            ui::CollectionView* list = screen->chatTableView();
            draw();
            const QPointF at(100, 200);
            QWheelEvent wheel(at, list->mapToGlobal(at), QPoint(), QPoint(0, 120 * 1000),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            const double started = nowMs();
            QCoreApplication::sendEvent(list, &wheel);
            list->layoutIfNeeded();
            draw();
            keepBest("page", nowMs() - started);
            if (shownMessages(list) != 40)
                state.SkipWithError("no page was loaded");
            close();
        }
    state.counters["best_ms"] = best()["page"];
}

bool roomJoined()
{
    const auto record = KesvorLocalStorage::storedUser();
    return record && !record->value("roomId").toString().isEmpty();
}

bool supportChatShown(ChatViewController* screen)
{
    return screen && !screen->navBarView()->titleLabel()->isHidden() && roomJoined();
}

bool bubbleShown(ui::CollectionView* list, const QString& text)
{
    for (ui::CollectionViewCell* cell : list->visibleCells())
        for (ui::Label* label : cell->findChildren<ui::Label*>())
            if (label->text() == text && !cell->isHidden())
                return true;
    return false;
}

void BM_SendToBubble(benchmark::State& state)
{
    test::ChatService& service = *environment().service;
    service.configure({{"bot", QVariantMap{{"enabled", false}}}});
    fillStore(10'000);
    ChatViewController* screen = open();
    if (!waitFor([&] { return supportChatShown(screen); })) {
        state.SkipWithError("not connected");
        return;
    }
    ui::CollectionView* list = screen->chatTableView();
    for (auto _ : state)
        for (int round = 0; round < rounds; ++round) {
            const QString text = QStringLiteral("Where is my order #%1?").arg(round);
            const auto sentBefore = service.receivedEvents(QStringLiteral("chat-msg")).size();
            const double started = nowMs();
            screen->sendMessgeToServer(text, text);
            if (!waitFor([&] { return bubbleShown(list, text); })) {
                state.SkipWithError("the bubble did not show");
                return;
            }
            draw();
            keepBest("send", nowMs() - started);
            // The echo of this message is merged before the next round.
            waitFor([&] {
                return service.receivedEvents(QStringLiteral("chat-msg")).size() > sentBefore;
            });
            waitFor([] { return false; }, 300);
        }
    close();
    service.configure({{"bot", QVariantMap{{"enabled", true}}}});
    state.counters["best_ms"] = best()["send"];
}

void measureConnecting(benchmark::State& state, const QString& timeServer,
                       const std::string& figure)
{
    net::NHNetworkClock* clock = NetworkTime::sharedInstance().time();
    clock->setServers({timeServer});
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            waitFor([&] { return !clock->isSynchronizing(); });
            KesvorPrivate::setIsBusinessVerified(false);
            const double started = nowMs();
            ChatViewController* screen = open();
            if (!waitFor([&] { return supportChatShown(screen); })) {
                state.SkipWithError("not connected");
                return;
            }
            keepBest("connect/" + figure, nowMs() - started);
            close();
            waitFor([] {
                return SocketManager::sharedInstance()->socket()->status() !=
                       net::SocketIOStatus::connected;
            });
        }
        // The clock alone.
        for (int round = 0; round < rounds; ++round) {
            waitFor([&] { return !clock->isSynchronizing(); });
            bool completed = false;
            const double started = nowMs();
            NetworkTime::sharedInstance().sync([&] { completed = true; });
            waitFor([&] { return completed; });
            keepBest("clock/" + figure, nowMs() - started);
            NetworkTime::sharedInstance().setCompletionBlock({});
        }
    }
    state.counters["best_ms"] = best()["connect/" + figure];
}

void BM_ShowToSupportChatWithTimeServer(benchmark::State& state)
{
    measureConnecting(state, QStringLiteral("127.0.0.1:%1").arg(environment().service->ntpPort()),
                      "ntp");
}

void BM_ShowToSupportChatWithoutTimeServer(benchmark::State& state)
{
    // The discard port: nobody answers.
    measureConnecting(state, QStringLiteral("127.0.0.1:9"), "none");
}

// --- Memory, in fresh processes ----------------------------------------------

long peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The child: opens the screen over the store it is given, draws the first
// frame and prints its peak resident memory in KiB.
int memoryChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget host;
    host.resize(hostWidth, hostHeight);
    host.show();
    ui::Application::shared().setHostWindow(&host);
    Kesvor::initWithToken(QString::fromLatin1(token));
    const bool expectItems = qEnvironmentVariableIntValue("KESVOR_BENCH_EXPECT_ITEMS") != 0;
    ChatViewController* screen = open();
    if (!waitFor([&] { return listShown(screen, expectItems); }))
        return 1;
    draw();
    std::printf("%ld\n", peakResidentKiB());
    std::fflush(stdout);
    return 0;
}

long childPeakKiB(const QString& dataDirectory, bool expectItems)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KESVOR_DATA_DIR", dataDirectory);
    env.insert("KESVOR_BENCH_EXPECT_ITEMS", expectItems ? "1" : "0");
    // No service: the child's session must not touch the parent's customer.
    env.insert("KESVOR_SERVICE_URL", "http://127.0.0.1:1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory-child")});
    if (!child.waitForFinished(120'000) || child.exitCode() != 0)
        return -1;
    // The last line: console lines of the SDK come before it.
    const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
    bool ok = false;
    const long peak = lines.last().trimmed().toLong(&ok);
    return ok ? peak : -1;
}

void BM_PeakMemory(benchmark::State& state)
{
    fillStore(100'000);
    QTemporaryDir empty;
    long emptyPeak = -1;
    long fullPeak = -1;
    for (auto _ : state)
        for (int round = 0; round < rounds; ++round) {
            const long a = childPeakKiB(empty.path(), false);
            const long b = childPeakKiB(environment().dataDirectory.path(), true);
            if (a < 0 || b < 0) {
                state.SkipWithError("a child failed");
                return;
            }
            emptyPeak = emptyPeak < 0 ? a : std::min(emptyPeak, a);
            fullPeak = fullPeak < 0 ? b : std::min(fullPeak, b);
        }
    best()["memory/empty (MiB)"] = emptyPeak / 1024.0;
    best()["memory/100000 (MiB)"] = fullPeak / 1024.0;
    state.counters["difference_MiB"] = (fullPeak - emptyPeak) / 1024.0;
}

BENCHMARK(BM_OpenWith100)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWith10000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWith100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageIn20Older)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SendToBubble)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowToSupportChatWithTimeServer)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowToSupportChatWithoutTimeServer)->Iterations(1)->Unit(benchmark::kMillisecond);

void printSummary()
{
    auto figure = [](const char* name) {
        const auto found = best().find(name);
        return found == best().end() ? -1.0 : found->second;
    };
    auto line = [](const char* what, double value, const char* unit, const char* goal, bool met) {
        std::printf("  %-44s %9.1f %-4s %-22s %s\n", what, value, unit, goal,
                    value < 0 ? "(not measured)"
                    : met     ? "met"
                              : "MISSED");
    };
    const double open100 = figure("open/100");
    const double open100k = figure("open/100000");
    const double memoryDifference = figure("memory/100000 (MiB)") - figure("memory/empty (MiB)");
    std::printf("\nbest of %d rounds:\n", rounds);
    line("show() to first frame, 100 stored", open100, "ms", "", true);
    line("show() to first frame, 10,000 stored", figure("open/10000"), "ms", "", true);
    line("show() to first frame, 100,000 stored", open100k, "ms", "<= 1.5 x 100 stored",
         open100k <= 1.5 * open100);
    line("paging in 20 older (10,000 stored)", figure("page"), "ms", "< 8 ms", figure("page") < 8);
    line("Send to right bubble drawn (10,000 stored)", figure("send"), "ms", "< 16 ms",
         figure("send") < 16);
    line("peak memory, empty store", figure("memory/empty (MiB)"), "MiB", "", true);
    line("peak memory, 100,000 stored", figure("memory/100000 (MiB)"), "MiB", "", true);
    line("  difference", memoryDifference, "MiB", "<= 30 MiB", memoryDifference <= 30);
    line("show() to \"Support Chat\", local time server", figure("connect/ntp"), "ms", "<= 300 ms",
         figure("connect/ntp") <= 300);
    line("show() to \"Support Chat\", no time server", figure("connect/none"), "ms", "<= 1200 ms",
         figure("connect/none") <= 1200);
    line("clock synchronisation alone, local server", figure("clock/ntp"), "ms", "", true);
    line("clock synchronisation alone, no server", figure("clock/none"), "ms", "", true);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2 && qstrcmp(argv[1], "--memory-child") == 0)
        return memoryChild(argc, argv);

    Environment& env = environment();
    qputenv("KESVOR_DATA_DIR", env.dataDirectory.path().toUtf8());
    QApplication app(argc, argv);
    test::ChatServiceOptions options;
    options.tokens = {QString::fromLatin1(token)};
    options.ntp = true;
    env.service = std::make_unique<test::ChatService>(options);
    if (!env.service->start()) {
        std::fprintf(stderr, "conversation_bench: %s\n", qPrintable(env.service->errorString()));
        return 1;
    }
    qputenv("KESVOR_SERVICE_URL", env.service->baseUrl().toUtf8());
    qputenv("KESVOR_REACHABILITY_HOST", "localhost");
    qputenv("KESVOR_NTP_SERVERS",
            QStringLiteral("127.0.0.1:%1").arg(env.service->ntpPort()).toUtf8());
    env.host = std::make_unique<QWidget>();
    env.host->resize(hostWidth, hostHeight);
    env.host->show();
    ui::Application::shared().setHostWindow(env.host.get());
    Kesvor::initWithToken(QString::fromLatin1(token));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    KesvorWindows::setWindow(nullptr);
    env.host.reset();
    env.service.reset();
    return 0;
}
