// Stores a conversation history through MyDataController::addChats (parse,
// duplicate lookup, insert, save) and, for comparison, inserts the same rows
// straight into a table of the same shape with one prepared statement in one
// transaction. Prints messages per second for both, their ratio, and how the
// time grows from 10,000 to 100,000 messages.

#include "Store/ChatModel.h"
#include "Store/MyDataController.h"
#include "data/SqliteDatabase.h"
#include "data/StoreSchema.h"
#include "foundation/DateFormatter.h"

#include <benchmark/benchmark.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimeZone>

#include <sys/resource.h>

#include <cstdio>
#include <map>

using namespace kesvor;

namespace {

// A history as the service sends it: customer and bot taking turns, one
// second apart, every message with a server id and statuses.
QVariantList history(int count)
{
    const foundation::DateFormatter wire(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSSZ"),
                                         foundation::DateFormatter::posixLocale(),
                                         QTimeZone::utc());
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0), QTimeZone::utc());
    QVariantList messages;
    messages.reserve(count);
    for (int i = 0; i < count; ++i) {
        const bool customer = i % 2 == 0;
        const QString sender =
            customer ? QStringLiteral("customer-4711") : QStringLiteral("bot-17");
        messages << QVariantMap{
            {"msgFrom", sender},
            {"msgTo", customer ? QStringLiteral("bot") : QStringLiteral("customer-4711")},
            {"msg",
             QVariantMap{{"message", QVariantMap{{"text", QStringLiteral("Message %1: how can "
                                                                         "we help you today?")
                                                              .arg(i)}}}}},
            {"roomId", "room-0815"},
            {"createdOn", wire.stringFromDate(start.addMSecs(qint64(i) * 1037))},
            {"senderIdentity", sender},
            {"senderRole", customer ? QStringLiteral("customer") : QStringLiteral("bot")},
            {"approvedByAgent", "approved"},
            {"_id", QStringLiteral("%1").arg(i, 24, 16, QLatin1Char('0'))},
            {"messageSentToCustomerStatus",
             i % 3 == 0 ? QStringLiteral("sent") : QStringLiteral("seen")},
            {"messageSentToAgentStatus", "seen"}};
    }
    return messages;
}

const QVariantList& historyOf(int count)
{
    static std::map<int, QVariantList> cache;
    auto found = cache.find(count);
    if (found == cache.end())
        found = cache.emplace(count, history(count)).first;
    return found->second;
}

// CPU time of the calling thread: the figure other processes on the machine
// disturb least.
double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void BM_AddChats(benchmark::State& state)
{
    const QVariantList& messages = historyOf(int(state.range(0)));
    auto& store = MyDataController::sharedInstance();
    auto& queue = store.messageAddOperationQueue();
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        store.clearChat();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        int reported = -1;
        double started = 0;
        // The batch runs on the queue's thread, between these two operations.
        queue.addOperation([&started] { started = threadCpuSeconds(); });
        store.addChats(messages,
                       [&reported](const QList<Chat>& unseen) { reported = int(unseen.size()); });
        queue.addOperation([&] { cpu += threadCpuSeconds() - started; });
        queue.waitUntilAllOperationsAreFinished();
        if (reported < 0)
            state.SkipWithError("the batch was not saved");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["cpu_ms"] = cpu * 1000 / double(state.iterations());
}

// The rows addChats writes, in their stored form.
QList<QVariantList> storedRows(const QVariantList& messages, const data::EntityDescription& entity)
{
    QList<QVariantList> rows;
    for (const QVariant& message : messages) {
        const auto model = ChatModel::initWithDic(message.toMap());
        const QVariantMap values{
            {"approvedByAgent", model->approvedByAgent()},
            {"createdOn", model->createdOn()},
            {"date", model->date()},
            {"messageId", *model->messageId()},
            {"messageSentToAgentStatus", model->messageSentToAgentStatus()},
            {"messageSentToCustomerStatus", model->messageSentToCustomerStatus()},
            {"msg", model->msg()},
            {"msgFrom", model->msgFrom()},
            {"msgTo", model->msgTo()},
            {"roomId", model->roomId()},
            {"senderIdentity", model->senderIdentity()}};
        QVariantList row;
        for (const auto& attribute : entity.attributes())
            row << attribute.toStorage(values.value(attribute.name));
        rows << row;
    }
    return rows;
}

void BM_RawInserts(benchmark::State& state)
{
    const auto coordinator = MyDataController::sharedInstance().myPersistentStoreCoordinator();
    const auto model = coordinator->managedObjectModel();
    const auto entity = model->entity(QStringLiteral("Chat"));
    const QList<QVariantList> rows = storedRows(historyOf(int(state.range(0))), *entity);

    QTemporaryDir directory;
    auto database = data::SqliteDatabase::open(directory.filePath("raw.sqlite"),
                                               data::SqliteDatabase::OpenMode::ReadWriteCreate);
    database->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-16000; "
                   "PRAGMA temp_store=MEMORY");
    data::StoreSchema::create(*database, *model);
    QStringList columns;
    for (const auto& attribute : entity->attributes())
        columns << data::EntityDescription::quoted(attribute.name);
    const QString insertSql =
        QStringLiteral("INSERT INTO \"Chat\" (%1) VALUES (%2)")
            .arg(columns.join(','), QStringList(columns.size(), "?").join(','));
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        database->exec("DELETE FROM \"Chat\"");
        state.ResumeTiming();
        const double started = threadCpuSeconds();
        database->exec("BEGIN IMMEDIATE");
        auto insert = database->prepare(insertSql);
        for (const QVariantList& row : rows) {
            insert->reset();
            for (qsizetype i = 0; i < row.size(); ++i)
                insert->bind(int(i) + 1, row[i]);
            insert->execute();
        }
        if (!database->exec("COMMIT"))
            state.SkipWithError("commit failed");
        cpu += threadCpuSeconds() - started;
    }
    state.counters["cpu_ms"] = cpu * 1000 / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_AddChats)->Arg(10000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawInserts)->Arg(10000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddChats)->Arg(100000)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawInserts)->Arg(100000)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each run's time per batch, to put the runs side by side at the end.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name + '/' + run.run_name.args;
            wall[name] = run.GetAdjustedRealTime() / 1000.0; // milliseconds
            const auto cpuTime = run.counters.find("cpu_ms");
            if (cpuTime != run.counters.end())
                cpu[name] = cpuTime->second.value / 1000.0;
        }
    }

    std::map<std::string, double> wall;
    std::map<std::string, double> cpu;
};

void printSummary(const char* label, const std::map<std::string, double>& seconds)
{
    auto rate = [&seconds](const char* name, int count) {
        const auto found = seconds.find(name);
        return found == seconds.end() || found->second <= 0 ? 0.0 : count / found->second;
    };
    const double add10k = rate("BM_AddChats/10000", 10000);
    const double raw10k = rate("BM_RawInserts/10000", 10000);
    const double add100k = rate("BM_AddChats/100000", 100000);
    const double raw100k = rate("BM_RawInserts/100000", 100000);
    std::printf("\n%s\n", label);
    std::printf("  addChats  10,000: %8.0f messages/s   raw inserts: %8.0f rows/s   ratio %.2f\n",
                add10k, raw10k, raw10k > 0 ? add10k / raw10k : 0.0);
    std::printf("  addChats 100,000: %8.0f messages/s   raw inserts: %8.0f rows/s   ratio %.2f\n",
                add100k, raw100k, raw100k > 0 ? add100k / raw100k : 0.0);
    std::printf("  time for 100,000 / time for 10,000 through addChats: %.2f\n",
                add100k > 0 ? (100000 / add100k) / (10000 / add10k) : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dataDirectory;
    qputenv("KESVOR_DATA_DIR", dataDirectory.path().toUtf8());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    printSummary("wall clock:", reporter.wall);
    printSummary("CPU time of the writing thread:", reporter.cpu);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\npeak resident memory: %ld MiB\n", usage.ru_maxrss / 1024);
    benchmark::Shutdown();
    return 0;
}
