// Round trips per second, and the client's CPU time per round trip, of
// net::SocketIOClient and of Node's official socket.io-client, side by side in
// one run against the same stand-in chat service (tools/chat-service), with a
// minimal client beside them that shows the most any client can reach here.
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
// The minimal client (MinimalEchoClient) does nothing but the round trip's
// system calls and the frames' bytes. Its rate is the ceiling the service and
// the machine set for every client, and its CPU time the part of a round trip
// that is the kernel's sending and waking, whatever a client does besides.
// "minimal-qt" is the same client woken by Qt's event loop through a socket
// notifier: the least a client built on the event loop, as ours is, can cost.
//
// CPU time is each client's own over the timed round trips: for ours the CPU
// clock of the thread that runs the client (all of it runs there; the service
// is a process of its own), for the official client its process's CPU usage
// (process.cpuUsage(), all threads). Both include the kernel's time in the
// clients' system calls, which is also reported on its own. The service shares
// the machine's cores with the client under test, so round trips per second
// also depend on how the two share them; CPU time per round trip does not.

#include "net/SocketIOClient.h"
#include "shared/ThreadCpuTime.h"
#include "socketio/MinimalEchoClient.h"
#include "support/ChatService.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

using kesvor::bench::ThreadStopwatch;
using kesvor::bench::ThreadTimes;
using kesvor::net::SocketAnyEvent;
using kesvor::net::SocketIOClient;

namespace {

constexpr int roundTrips = 20'000;
constexpr int warmUpRoundTrips = 200;

kesvor::test::ChatService* service = nullptr;

struct Best {
    double rate = 0;
    double cpuMicrosecondsPerRoundTrip = 0;
    double systemMicrosecondsPerRoundTrip = 0;
};

// The best of each client and window, for the comparison at the end.
std::map<std::pair<std::string, int64_t>, Best> best;

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

void record(benchmark::State& state, const char* client, ThreadTimes timing, int count)
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
ThreadTimes runKesvor(SocketIOClient& client, int total, int window)
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
    const ThreadStopwatch stopwatch;
    pump();
    loop.exec();
    return stopwatch.elapsed();
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

QByteArray payloadJson()
{
    return QJsonDocument::fromVariant(payload()).toJson(QJsonDocument::Compact);
}

// The minimal client, waiting in poll, or with onEventLoop woken by Qt's event loop.
template <bool onEventLoop> void BM_MinimalClient(benchmark::State& state)
{
    using kesvor::bench::MinimalEchoClient;
    const int window = int(state.range(0));
    try {
        MinimalEchoClient client(QUrl(service->baseUrl()).port(),
                                 service->namespaceName().toStdString());
        const std::string message = payloadJson().toStdString();
        const auto run = onEventLoop ? &MinimalEchoClient::runOnEventLoop : &MinimalEchoClient::run;
        (client.*run)(warmUpRoundTrips, window, message);
        for (auto _ : state) {
            record(state, onEventLoop ? "minimal-qt" : "minimal",
                   (client.*run)(roundTrips, window, message), roundTrips);
        }
    } catch (const std::runtime_error& error) {
        state.SkipWithError(error.what());
    }
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
                    QString::number(state.range(0)), QString::fromUtf8(payloadJson())});
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
                 {std::pair{"kesvor", &BM_KesvorClient}, std::pair{"official", &BM_OfficialClient},
                  std::pair{"minimal", &BM_MinimalClient<false>},
                  std::pair{"minimal-qt", &BM_MinimalClient<true>}})
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
                "\nper round trip in microseconds, of which in the kernel; the rate's ratio to"
                "\nsocket.io-client's:\n",
                rounds);
    for (const int window : {1, 32}) {
        const Best official = best[{"official", window}];
        if (official.rate == 0)
            continue;
        std::printf("  window %d\n", window);
        for (const char* client : {"kesvor", "official", "minimal", "minimal-qt"}) {
            const Best figures = best[{client, window}];
            if (figures.rate > 0)
                std::printf("    %-10s %6.0f rt/s %5.1f us (%4.1f)   %.2fx\n", client, figures.rate,
                            figures.cpuMicrosecondsPerRoundTrip,
                            figures.systemMicrosecondsPerRoundTrip, figures.rate / official.rate);
        }
    }
    return 0;
}
