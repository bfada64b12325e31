// Round trips per second (emit, server echo, receive) of net::SocketIOClient
// against the stand-in chat service, and of Node's official socket.io-client
// run as a peer process against the same service in the same run.

#include "net/SocketIOClient.h"
#include "support/ChatService.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

using kesvor::net::SocketAnyEvent;
using kesvor::net::SocketIOClient;

namespace {

constexpr int roundTrips = 20'000;
constexpr int warmUpRoundTrips = 200;

kesvor::test::ChatService* service = nullptr;
// Best rate seen per benchmark name, for the comparison at the end.
std::map<std::pair<std::string, int64_t>, double> bestRates;

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

void record(benchmark::State& state, const char* client, double seconds, int count)
{
    state.SetIterationTime(seconds);
    const double rate = count / seconds;
    state.counters["round_trips_per_s"] = rate;
    double& best = bestRates[{client, state.range(0)}];
    best = std::max(best, rate);
}

// Keeps up to window events in flight; returns the seconds total round trips took.
double runKesvor(SocketIOClient& client, int total, int window)
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
    timer.start();
    pump();
    loop.exec();
    return double(timer.nsecsElapsed()) / 1e9;
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
        record(state, "official", result.value("seconds").toDouble(),
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

    std::printf("\nround trips per second, best of %d rounds:\n", rounds);
    for (const int window : {1, 32}) {
        const double ours = bestRates[{"kesvor", window}];
        const double official = bestRates[{"official", window}];
        if (ours > 0 && official > 0)
            std::printf("  window %2d: kesvor %9.0f   socket.io-client %9.0f   ratio %.2f\n",
                        window, ours, official, ours / official);
    }
    return 0;
}
