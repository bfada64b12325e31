// How long the main thread is held when it stores the customer's own message
// while a long history is written on the store's queue.
//
// Method: a fresh store in a directory of its own. The main thread stores a
// customer message through MyDataController::addChat every 10 ms, on a fixed
// schedule (each call is due 10 ms after the one before was due), and times
// each call from entry to return: that is how long the main thread cannot
// draw or handle input. Each round has two phases, side by side:
//   alone   — 200 messages with nothing else writing;
//   history — a 100,000-message history handed to addChats, messages every
//             10 ms until the history's completion has run;
// then one clearChat() called while another 100,000-message history is being
// written, timed the same way. Three rounds; every call of a phase counts.
// Prints, per phase, the number of calls, the median, the 99th percentile and
// the longest wait, the history's own duration, and the clearChat waits.

#include "store/BenchHistory.h"

#include "Store/MyDataController.h"

#include <benchmark/benchmark.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimeZone>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace kesvor;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto tick = std::chrono::milliseconds(10);
constexpr int historySize = 100'000;
constexpr int aloneCalls = 200;
constexpr int rounds = 3;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The customer's own message as the conversation screen stores it; each call
// a millisecond later than the one before.
QVariantMap customerMessage()
{
    static qint64 next =
        QDateTime(QDate(2030, 1, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    const QString createdOn = QDateTime::fromMSecsSinceEpoch(next++, QTimeZone::utc())
                                  .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'+0000'"));
    return {{"msgFrom", "customer-4711"},
            {"msgTo", "bot"},
            {"roomId", "room-0815"},
            {"createdOn", createdOn},
            {"msg", QVariantMap{{"message", QVariantMap{{"text", "Are you still there?"}}}}},
            {"msgKeyWord", "Are you still there?"},
            {"senderRole", "customer"},
            {"senderIdentity", "customer-4711"},
            {"approvedByAgent", "approved"}};
}

struct Waits {
    std::vector<double> ms;

    double percentile(double p) const
    {
        if (ms.empty())
            return 0;
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const auto rank = size_t(std::ceil(p / 100.0 * double(sorted.size()))) - 1;
        return sorted[std::min(rank, sorted.size() - 1)];
    }
    double longest() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

struct Figures {
    Waits alone;
    Waits history;
    Waits clearChat;
    std::vector<double> historyMs;
};

// Stores customer messages on the schedule until done() holds, timing each call.
template <typename Done> void storeEveryTick(Waits& waits, Done done)
{
    auto due = Clock::now();
    while (!done()) {
        due += tick;
        std::this_thread::sleep_until(due);
        // What the event loop would do between calls: merge other saves.
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        MyDataController::sharedInstance().addChat(customerMessage());
        waits.ms.push_back(msSince(start));
    }
}

void runRound(Figures& figures)
{
    auto& store = MyDataController::sharedInstance();
    store.clearChat();
    store.messageAddOperationQueue().waitUntilAllOperationsAreFinished();

    int calls = 0;
    storeEveryTick(figures.alone, [&calls] { return calls++ == aloneCalls; });

    std::atomic_bool written = false;
    const auto historyStart = Clock::now();
    store.addChats(bench::historyOf(historySize),
                   [&written](const QList<Chat>&) { written = true; });
    storeEveryTick(figures.history, [&written] { return written.load(); });
    store.messageAddOperationQueue().waitUntilAllOperationsAreFinished();
    figures.historyMs.push_back(msSince(historyStart));

    // A clear while the next history is half written.
    store.clearChat();
    store.messageAddOperationQueue().waitUntilAllOperationsAreFinished();
    store.addChats(bench::historyOf(historySize), {});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = Clock::now();
    store.clearChat();
    figures.clearChat.ms.push_back(msSince(start));
    store.messageAddOperationQueue().waitUntilAllOperationsAreFinished();
}

void print(const char* label, const Waits& waits)
{
    std::printf("  %-22s %5zu calls   median %7.2f ms   p99 %7.2f ms   longest %7.2f ms\n", label,
                waits.ms.size(), waits.percentile(50), waits.percentile(99), waits.longest());
}

void BM_MainThreadWaitWhileAHistoryIsWritten(benchmark::State& state)
{
    Figures figures;
    bench::historyOf(historySize); // made before any timing
    for (auto _ : state)
        for (int round = 0; round < rounds; ++round)
            runRound(figures);
    state.counters["alone_p99_ms"] = figures.alone.percentile(99);
    state.counters["history_p99_ms"] = figures.history.percentile(99);
    state.counters["history_longest_ms"] = figures.history.longest();
    state.counters["clearChat_longest_ms"] = figures.clearChat.longest();

    std::printf("\nmain thread's wait in addChat, a call every 10 ms, %d rounds:\n", rounds);
    print("alone", figures.alone);
    print("during a 100,000 history", figures.history);
    std::printf("  history written in");
    for (const double ms : figures.historyMs)
        std::printf(" %.0f ms", ms);
    std::printf("\nmain thread's wait in clearChat during a 100,000 history:");
    for (const double ms : figures.clearChat.ms)
        std::printf(" %.2f ms", ms);
    std::printf("\n\n");
}

BENCHMARK(BM_MainThreadWaitWhileAHistoryIsWritten)->Iterations(1)->Unit(benchmark::kMillisecond);

// The store lives in a directory of its own; the store's main context wants
// an application object on this thread.
struct Run {
    QTemporaryDir dataDirectory;
    int argc = 1;
    char name[32] = "store_contention_bench";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> application;

    Run()
    {
        qputenv("KESVOR_DATA_DIR", dataDirectory.path().toUtf8());
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
};

const Run run;

} // namespace

BENCHMARK_MAIN();
