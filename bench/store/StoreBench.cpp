// Stores a conversation history through MyDataController::addChats (parse,
// duplicate lookup, insert, save) and, for comparison, inserts the same rows
// straight into a table of the same shape with one prepared statement in one
// transaction, with the same connection settings. Both run on the store's
// queue thread. Each round takes both histories (10,000 and 100,000
// messages) through both, so that all four meet the machine in the same
// states, and the best round of each counts. Prints messages per second for
// both, their ratio, and how the time grows from 10,000 to 100,000 messages.

#include "shared/ThreadCpuTime.h"
#include "store/BenchHistory.h"

#include "Store/ChatModel.h"
#include "Store/MyDataController.h"
#include "data/SqliteDatabase.h"
#include "data/StoreSchema.h"

#include <benchmark/benchmark.h>

#include <QtCore/QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>

using namespace kesvor;
using bench::historyOf;
using bench::threadCpuSeconds;

namespace {

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Best seconds per batch, by "<kind>/<messages>", for the summary.
struct Figures {
    std::map<std::string, double> wall;
    std::map<std::string, double> cpu;

    void record(const char* kind, int messages, double wallSeconds, double cpuSeconds)
    {
        const std::string key = std::string(kind) + '/' + std::to_string(messages);
        keepBest(wall, key, wallSeconds);
        keepBest(cpu, key, cpuSeconds);
    }

private:
    static void keepBest(std::map<std::string, double>& figures, const std::string& key,
                         double seconds)
    {
        const auto found = figures.find(key);
        if (found == figures.end() || seconds < found->second)
            figures[key] = seconds;
    }
};

Figures& figures()
{
    static Figures all;
    return all;
}

// Before a timed batch: the log of the emptied table copied into the file
// and every file written out, so that no batch pays for the one before it.
void settle(data::SqliteDatabase& database)
{
    database.exec("PRAGMA wal_checkpoint(RESTART)");
    ::sync();
}

// One history through addChats, from an empty store; false when it was not saved.
bool storeThroughAddChats(const QVariantList& messages)
{
    auto& store = MyDataController::sharedInstance();
    auto& queue = store.messageAddOperationQueue();
    store.clearChat();
    const auto coordinator = store.myPersistentStoreCoordinator();
    static auto storeFile = data::SqliteDatabase::open(coordinator->storePath(),
                                                       data::SqliteDatabase::OpenMode::ReadWrite);
    coordinator->waitForCheckpoints();
    settle(*storeFile);
    const double begun = wallSeconds();
    int reported = -1;
    double started = 0;
    double cpu = 0;
    // The batch runs on the queue's thread, between these two operations.
    queue.addOperation([&started] { started = threadCpuSeconds(); });
    store.addChats(messages,
                   [&reported](const QList<Chat>& unseen) { reported = int(unseen.size()); });
    queue.addOperation([&] { cpu = threadCpuSeconds() - started; });
    queue.waitUntilAllOperationsAreFinished();
    figures().record("addChats", int(messages.size()), wallSeconds() - begun, cpu);
    // The store copies its log into the file after the batch, on a thread of
    // its own; the raw inserts that follow must not share the machine with it.
    coordinator->waitForCheckpoints();
    return reported >= 0;
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

// The same rows straight into an empty table of the same shape, with one
// prepared statement in one transaction; false when the commit failed.
bool storeRaw(data::SqliteDatabase& database, const data::EntityDescription& entity,
              const QList<QVariantList>& rows)
{
    database.exec("DELETE FROM \"Chat\"");
    settle(database);
    // On the thread that stores the batches, so that both sides meet the
    // same processor: this machine's two run at different speeds at times.
    auto& queue = MyDataController::sharedInstance().messageAddOperationQueue();
    bool committed = false;
    double cpu = 0;
    const double begun = wallSeconds();
    queue.addOperation([&] {
        const double started = threadCpuSeconds();
        database.exec("BEGIN IMMEDIATE");
        auto insert = database.prepare(entity.insertSql());
        for (const QVariantList& row : rows) {
            insert->reset();
            for (qsizetype i = 0; i < row.size(); ++i)
                insert->bind(int(i) + 1, row[i]);
            insert->execute();
        }
        committed = database.exec("COMMIT");
        cpu = threadCpuSeconds() - started;
    });
    queue.waitUntilAllOperationsAreFinished();
    figures().record("raw", int(rows.size()), wallSeconds() - begun, cpu);
    return committed;
}

// Rounds in which each history goes through addChats and raw, one after the
// other, so that all four meet the machine in the same states; the best
// round of each counts.
void BM_AddChatsNextToRawInserts(benchmark::State& state)
{
    const QList<int> counts{10000, 100000};
    const auto coordinator = MyDataController::sharedInstance().myPersistentStoreCoordinator();
    const auto model = coordinator->managedObjectModel();
    const auto entity = model->entity(QStringLiteral("Chat"));
    std::map<int, QList<QVariantList>> rows;
    for (const int count : counts)
        rows[count] = storedRows(historyOf(count), *entity);

    // The same table, indexes and connection settings as the store's; its log
    // is copied into the file before each round, outside the timed part, as
    // the store's is after its batch.
    QTemporaryDir directory;
    auto database = data::SqliteDatabase::open(directory.filePath("raw.sqlite"),
                                               data::SqliteDatabase::OpenMode::ReadWriteCreate);
    database->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-64000; "
                   "PRAGMA temp_store=MEMORY; PRAGMA wal_autocheckpoint=0");
    data::StoreSchema::create(*database, *model);
    const int rounds = int(state.range(0));
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            for (const int count : counts) {
                if (!storeThroughAddChats(historyOf(count)))
                    state.SkipWithError("the batch was not saved");
                if (!storeRaw(*database, *entity, rows[count]))
                    state.SkipWithError("commit failed");
            }
        }
    }
    for (const int count : counts) {
        const std::string size = '/' + std::to_string(count);
        state.counters["addChats" + size + "_ms"] = figures().wall["addChats" + size] * 1000;
        state.counters["raw" + size + "_ms"] = figures().wall["raw" + size] * 1000;
    }
}

// The argument is the number of rounds.
BENCHMARK(BM_AddChatsNextToRawInserts)->Arg(9)->Iterations(1)->Unit(benchmark::kMillisecond);

void printSummary(const char* label, const std::map<std::string, double>& seconds)
{
    auto rate = [&seconds](const char* key, int count) {
        const auto found = seconds.find(key);
        return found == seconds.end() || found->second <= 0 ? 0.0 : count / found->second;
    };
    const double add10k = rate("addChats/10000", 10000);
    const double raw10k = rate("raw/10000", 10000);
    const double add100k = rate("addChats/100000", 100000);
    const double raw100k = rate("raw/100000", 100000);
    auto growth = [](double rate10k, double rate100k) {
        return rate10k > 0 && rate100k > 0 ? (100000 / rate100k) / (10000 / rate10k) : 0.0;
    };
    std::printf("\n%s\n", label);
    std::printf("  addChats  10,000: %8.0f messages/s   raw inserts: %8.0f rows/s   ratio %.2f\n",
                add10k, raw10k, raw10k > 0 ? add10k / raw10k : 0.0);
    std::printf("  addChats 100,000: %8.0f messages/s   raw inserts: %8.0f rows/s   ratio %.2f\n",
                add100k, raw100k, raw100k > 0 ? add100k / raw100k : 0.0);
    std::printf("  time for 100,000 / time for 10,000: addChats %.2f, raw inserts %.2f\n",
                growth(add10k, add100k), growth(raw10k, raw100k));
}

// The store lives in a directory of its own for the run; the summary is
// printed when the program ends, after the benchmarks' own table.
struct Run {
    QTemporaryDir dataDirectory;

    Run()
    {
        qputenv("KESVOR_DATA_DIR", dataDirectory.path().toUtf8());
        figures(); // made first, so that it is still there when the summary is printed
    }
    ~Run()
    {
        if (figures().wall.empty())
            return;
        printSummary("wall clock, best round:", figures().wall);
        printSummary("CPU time of the writing thread, best round:", figures().cpu);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("\npeak resident memory: %ld MiB\n", usage.ru_maxrss / 1024);
    }
};

const Run run;

} // namespace

BENCHMARK_MAIN();
