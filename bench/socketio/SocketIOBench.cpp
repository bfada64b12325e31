// Round trips per second, and the client's CPU time per round trip, of
// net::SocketIOClient and of Node's official socket.io-client, side by side in
// one run against the same stand-in chat service (tools/chat-service).
//
// Method. A round trip is an "echo" event the client emits with a customer's
// chat message as the SDK sends it, echoed by the service, and received by the
// client's handler. Each client keeps 1 event in flight (latency) or 32 (a
// steady stream); after 200 warm-up round trips, 20,000 round trips are timed
// with a monotonic clock. Ours runs in this process, the official client in a
// node process of its own (official-client-peer.js), started afresh per round.
// In each of 5 rounds the two clients take turns at both window sizes, so load
// from elsewhere on the machine falls on both alike; for each client and window
// the best round counts: the highest rate and, separately, the lowest CPU time.
//
// CPU time is each client's own over the timed round trips: for ours the CPU
// clock of the thread that runs the client (all of it runs there; the service
// is a process of its own), for the official client its process's CPU usage
// (process.cpuUsage(), all threads). Both include the kernel's time in the
// clients' system calls, which is also reported on its own. The service shares
// the machine's cores with the client under test, so round trips per second
// also depend on how the two share them; CPU time per round trip does not.

#include "net/SocketIOClient.h"
#include "support/ChatService.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>

using kesvor::net::SocketAnyEvent;
using kesvor::net::SocketIOClient;

namespace {

constexpr int roundTrips = 20'000;
constexpr int warmUpRoundTrips = 200;

kesvor::test::ChatService* service = nullptr;

struct Timing {
    double seconds = 0;
    double cpuSeconds = 0;
    /// The part of cpuSeconds spent in the kernel.
    double systemSeconds = 0;
};

struct Best {
    double rate = 0;
    double cpuMicrosecondsPerRoundTrip = 0;
    double systemMicrosecondsPerRoundTrip = 0;
};

// The best of each client and window, for the comparison at the end.
std::map<std::pair<std::string, int64_t>, Best> best;

double threadCpuSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

double threadSystemSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6;
}

// A customer's chat message as the SDK sends it.
QVariantMap payload()
{
    return {{"msgFrom", "6b155d37368a8b9eab000001"},
            {"msgTo", "bot"},
            {"roomId", "6b155d38d48df07fbe000002"},
            {"createdOn", "2026-12-06T10:15:30.123+0000"},
            {"msg", QVariantMap{{"message", QVariantMap{{"text", "Where is my order #4711?"}}}}},
            {"msgKeyWord", "Where is my order #4711?"},
            {"senderRole", "customer"},
            {"senderIdentity", "6b155d37368a8b9eab000001"},
            {"approvedByAgent", "approved"}};
}

void record(benchmark::State& state, const char* client, Timing timing, int count)
{
    state.SetIterationTime(timing.seconds);
    const double rate = count / timing.seconds;
    const double cpu = timing.cpuSeconds * 1e6 / count;
    const double system = timing.systemSeconds * 1e6 / count;
    state.counters["round_trips_per_s"] = rate;
    state.counters["cpu_us_per_round_trip"] = cpu;
    state.counters["system_us_per_round_trip"] = system;
    Best& entry = best[{client, state.range(0)}];
    entry.rate = std::max(entry.rate, rate);
    if (entry.cpuMicrosecondsPerRoundTrip == 0 || cpu < entry.cpuMicrosecondsPerRoundTrip) {
        entry.cpuMicrosecondsPerRoundTrip = cpu;
        entry.systemMicrosecondsPerRoundTrip = system;
    }
}

// Keeps up to window events in flight while total round trips complete.
Timing runKesvor(SocketIOClient& client, int total, int window)
{
    const QVariantMap message = payload();
    int sent = 0;
    int received = 0;
    QEventLoop loop;
    const auto pump = [&] {
        while (sent < total && sent - received < window)
            client.emit(QStringLiteral("echo"), {sent++, message});
    };
    client.onAny([&](const SocketAnyEvent& event) {
        if (event.event != QLatin1String("echo"))
            return;
        if (++received == total)
            loop.quit();
        else
            pump();
    });
    QElapsedTimer timer;
    const double cpuStart = threadCpuSeconds();
    const double systemStart = threadSystemSeconds();
    timer.start();
    pump();
    loop.exec();
    return {double(timer.nsecsElapsed()) / 1e9, threadCpuSeconds() - cpuStart,
            threadSystemSeconds() - systemStart};
}

void BM_KesvorClient(benchmark::State& state)
{
    kesvor::net::SocketIOClientOptions options;
    options.nsp = service->namespaceName();
    SocketIOClient client(QUrl(service->baseUrl()), options);
    QEventLoop connected;
    client.onAny([&](const SocketAnyEvent& event) {
        if (event.event == QLatin1String("connect") || event.event == QLatin1String("error"))
            connected.quit();
    });
    client.connect();
    connected.exec();
    if (client.status() != kesvor::net::SocketIOStatus::connected) {
        state.SkipWithError("could not connect to the chat service");
        return;
    }
    const int window = int(state.range(0));
    runKesvor(client, warmUpRoundTrips, window);
    for (auto _ : state)
        record(state, "kesvor", runKesvor(client, roundTrips, window), roundTrips);
    client.disconnect();
}

void BM_OfficialClient(benchmark::State& state)
{
    const QString serviceDir = QStringLiteral(KESVOR_SOURCE_DIR "/tools/chat-service");
    for (auto _ : state) {
        QProcess peer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("NODE_PATH"),
                           serviceDir + QStringLiteral("/node_modules"));
        peer.setProcessEnvironment(environment);
        peer.start(QStringLiteral("node"),
                   {QStringLiteral(KESVOR_SOURCE_DIR "/bench/socketio/official-client-peer.js"),
                    service->baseUrl(), service->namespaceName(), QString::number(roundTrips),
                    QString::number(state.range(0)),
                    QString::fromUtf8(
                        QJsonDocument::fromVariant(payload()).toJson(QJsonDocument::Compact))});
        if (!peer.waitForFinished(120'000) || peer.exitCode() != 0) {
            state.SkipWithError(
                ("the official client failed: " + peer.readAllStandardError().toStdString())
                    .c_str());
            return;
        }
        const QJsonObject result = QJsonDocument::fromJson(peer.readAllStandardOutput()).object();
        record(state, "official",
               {result.value("seconds").toDouble(), result.value("cpuSeconds").toDouble(),
                result.value("systemSeconds").toDouble()},
               result.value("roundTrips").toInt());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    kesvor::test::ChatServiceOptions options;
    options.extraArguments << QStringLiteral("--quiet");
    kesvor::test::ChatService chatService(options);
    if (!chatService.start()) {
        std::fprintf(stderr, "socketio_bench: %s\n", qPrintable(chatService.errorString()));
        return 1;
    }
    service = &chatService;

    // Window 1: one event in flight (latency); window 32: a steady stream. The
    // two clients take turns, so that load from elsewhere on the machine
    // falls on both alike.
    constexpr int rounds = 5;
    for (int round = 1; round <= rounds; ++round) {
        for (const int window : {1, 32}) {
            const std::string suffix = "/round:" + std::to_string(round);
            for (const auto& [name, function] :
                 {std::pair{"kesvor", &BM_KesvorClient}, std::pair{"official", &BM_OfficialClient}})
                benchmark::RegisterBenchmark((std::string("round_trips/") + name + suffix).c_str(),
                                             function)
                    ->Arg(window)
                    ->ArgName("window")
                    ->Iterations(1)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nbest of %d rounds: round trips per second (rt/s), and the client's CPU time"
                "\nper round trip in microseconds, of which in the kernel:\n",
                rounds);
    for (const int window : {1, 32}) {
        const Best ours = best[{"kesvor", window}];
        const Best official = best[{"official", window}];
        if (ours.rate > 0 && official.rate > 0)
            std::printf("  window %2d: kesvor %6.0f rt/s %5.1f us (%4.1f)   socket.io-client %6.0f"
                        " rt/s %5.1f us (%4.1f)   rate %.2fx, CPU 1/%.2f\n",
                        window, ours.rate, ours.cpuMicrosecondsPerRoundTrip,
                        ours.systemMicrosecondsPerRoundTrip, official.rate,
                        official.cpuMicrosecondsPerRoundTrip,
                        official.systemMicrosecondsPerRoundTrip, ours.rate / official.rate,
                        official.cpuMicrosecondsPerRoundTrip / ours.cpuMicrosecondsPerRoundTrip);
    }
    return 0;
}
