#include "Store/ChatBatch.h"
#include "Store/StoreCoordinator.h"
#include "Store/StoreNames.h"
#include "data/ManagedObjectContext.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QTemporaryDir>

#include <chrono>
#include <random>
#include <thread>

using namespace kesvor;

namespace {

constexpr int historySize = 40 * ChatBatch::runLength;

// The ids in the store at the data directory, read through a store stack of
// its own as the SDK builds it at start; nothing when it does not open.
std::optional<QStringList> storedIds()
{
    foundation::Error error;
    const auto coordinator = StoreCoordinator::coordinator(QString::fromLatin1(MODEL_NAME),
                                                           QString::fromLatin1(STORE_NAME), &error);
    if (!coordinator) {
        ADD_FAILURE() << "the store does not open: " << error.description.toStdString();
        return std::nullopt;
    }
    auto context = data::ManagedObjectContext::create(
        data::ManagedObjectContext::ConcurrencyType::PrivateQueue, coordinator);
    std::optional<QStringList> ids;
    context->performAndWait([&] {
        const auto found = context->fetch(Chat::fetchRequest(), &error);
        if (!found)
            return;
        ids.emplace();
        for (const data::ObjectPtr& object : *found)
            ids->append(Chat(object).messageId().value_or(QString()));
    });
    return ids;
}

QStringList wholeHistory()
{
    QStringList ids;
    for (int i = 0; i < historySize; ++i)
        ids << QStringLiteral("h-%1").arg(i);
    return ids;
}

} // namespace

// Each round kills a writer at a random moment of its first history in a
// fresh store, then lets another one download the history again. The moments
// are spread over the time the last full download took on this machine.
TEST(StoreKillTest, AWriterKilledAtAnyMomentLeavesWholeRunsThatARedownloadCompletes)
{
    std::mt19937 random(20240501);
    int partial = 0;
    qint64 writeMs = 1000;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        QTemporaryDir directory;
        qputenv("KESVOR_DATA_DIR", directory.path().toUtf8());
        test::ChildProcess writer;
        ASSERT_TRUE(writer.start({"histories", QString::number(historySize), "0"}));
        ASSERT_TRUE(writer.waitForLine("writing"));
        // Any moment of the write; the store must not care which.
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<qint64>(0, writeMs)(random)));
        writer.kill();

        const auto ids = storedIds();
        ASSERT_TRUE(ids);
        EXPECT_EQ(ids->size() % ChatBatch::runLength, 0) << ids->size() << " messages";
        EXPECT_EQ(*ids, wholeHistory().mid(0, ids->size()));
        partial += ids->size() < historySize;

        test::ChildProcess downloader;
        ASSERT_TRUE(downloader.start({"histories", QString::number(historySize), "1"}));
        ASSERT_TRUE(downloader.waitForLine("writing"));
        QElapsedTimer download;
        download.start();
        ASSERT_TRUE(downloader.waitForSuccess());
        writeMs = download.elapsed();
        EXPECT_EQ(storedIds(), wholeHistory());
    }
    // Not a condition of the store, but of the test: it met writes half done.
    EXPECT_GT(partial, 0);
}
