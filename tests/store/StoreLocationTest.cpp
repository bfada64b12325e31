#include "store/StoreTestSupport.h"

#include "Kesvor/KesvorBuildConfig.h"
#include "Store/MyDataController.h"
#include "Store/StoreCoordinator.h"
#include "data/Bundle.h"
#include "data/StoreFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTimeZone>

using namespace kesvor;
using test::Wire;

namespace {

QString dataDirectory()
{
    return qEnvironmentVariable("KESVOR_DATA_DIR");
}

QString storeFile()
{
    return dataDirectory() + "/kesvor.sqlite";
}

data::Bundle sdkBundle()
{
    return *StoreCoordinator::bundle(BUNDLE_NAME);
}

data::ManagedObjectModel::Ptr modelVersion(const QString& version)
{
    return data::ManagedObjectModel::fromFile(sdkBundle().path() + "/kesvordb.momd/" + version +
                                              ".json");
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A store written by an earlier SDK version, with its last rows still in the
// write-ahead log, as an app that was killed leaves it.
void writeOlderStore()
{
    const QString scratch = dataDirectory() + "/older/kesvor.sqlite";
    auto coordinator =
        std::make_shared<data::PersistentStoreCoordinator>(modelVersion("kesvordb_v1"));
    data::PersistentStoreDescription description;
    description.url = scratch;
    ASSERT_TRUE(coordinator->addPersistentStore(description));
    auto context = data::ManagedObjectContext::create(
        data::ManagedObjectContext::ConcurrencyType::PrivateQueue, coordinator);
    const QDateTime base(QDate(2023, 1, 1), QTime(8, 0), QTimeZone::utc());
    const char* statuses[] = {"seen", "sent", nullptr};
    for (int i = 0; i < 3; ++i) {
        auto row = context->insertNewObject("Chat");
        row->setValue(QStringLiteral("old-%1").arg(i), "messageId");
        row->setValue(base.addSecs(i), "createdOn");
        row->setValue("agent-1", "msgFrom");
        row->setValue("approved", "approvedByAgent");
        row->setValue("2023-01-01", "date");
        row->setValue(QVariantMap{{"message", QVariantMap{{"text", "old"}}}}, "msg");
        if (statuses[i])
            row->setValue(QString::fromLatin1(statuses[i]), "messageStatus");
    }
    ASSERT_TRUE(context->save());
    ASSERT_TRUE(QFile::copy(scratch, storeFile()));
    ASSERT_TRUE(QFile::copy(scratch + "-wal", storeFile() + "-wal"));
}

} // namespace

TEST(StoreLocationTest, TheStoreFileLivesInTheDataDirectory)
{
    EXPECT_EQ(StoreCoordinator::defaultDirectryUrl(), dataDirectory());
    EXPECT_EQ(StoreCoordinator::storePathComponent("kesvor"), "kesvor.sqlite");
    EXPECT_EQ(StoreCoordinator::storePathComponent("kesvor1"), "kesvor1.sqlite");
    MyDataController::sharedInstance().context();
    EXPECT_TRUE(QFile::exists(storeFile()));
    EXPECT_EQ(MyDataController::sharedInstance().myPersistentStoreCoordinator()->storePath(),
              QFileInfo(storeFile()).absoluteFilePath());

    qputenv("KESVOR_DATA_DIR", "");
    const auto fallback = StoreCoordinator::defaultDirectryUrl();
    ASSERT_TRUE(fallback);
    EXPECT_FALSE(fallback->isEmpty());

    for (const CoordinatorError error : foundation::allCases<CoordinatorError>())
        EXPECT_EQ(CoordinatorErrors::fromError(CoordinatorErrors::toError(error)), error);
    EXPECT_FALSE(CoordinatorErrors::fromError({"other", 0, {}}));
}

TEST(StoreLocationTest, FirstLaunchAndACurrentStoreAreLeftAsTheyAre)
{
    const auto current = modelVersion("kesvordb_v2");
    StoreCoordinator::migrateIfNeeded(current, sdkBundle());
    EXPECT_FALSE(QFile::exists(storeFile()));

    foundation::Error error;
    auto coordinator = StoreCoordinator::coordinator("kesvordb", "kesvor", &error);
    ASSERT_TRUE(coordinator) << error.description.toStdString();
    EXPECT_TRUE(coordinator->hasPersistentStore());
    coordinator.reset();
    ASSERT_TRUE(data::StoreFiles::checkpoint(storeFile()));
    const QByteArray before = contents(storeFile());
    StoreCoordinator::migrateIfNeeded(current, sdkBundle());
    EXPECT_EQ(contents(storeFile()), before);
}

TEST(StoreLocationTest, AStoreOfTheOlderModelIsMigratedWithItsData)
{
    writeOlderStore();
    auto main = MyDataController::sharedInstance().context();
    EXPECT_FALSE(QFile::exists(dataDirectory() + "/kesvor1.sqlite"));
    for (const QString& side : data::StoreFiles::sideFiles(dataDirectory() + "/kesvor1.sqlite"))
        EXPECT_FALSE(QFile::exists(side));
    EXPECT_TRUE(
        modelVersion("kesvordb_v2")
            ->isConfigurationCompatibleWithStoreMetadata(
                *data::PersistentStoreCoordinator::metadataForPersistentStore(storeFile())));

    const auto stored = test::storedChats();
    ASSERT_EQ(test::idsOf(stored), (QStringList{"old-0", "old-1", "old-2"}));
    EXPECT_EQ(stored[0].messageSentToCustomerStatus(), "seen");
    EXPECT_EQ(stored[1].messageSentToCustomerStatus(), "sent");
    EXPECT_EQ(stored[2].messageSentToCustomerStatus(), "sent");
    EXPECT_EQ(stored[0].messageSentToAgentStatus(), "sent");
    EXPECT_EQ(stored[0].msg()->value("message").toMap().value("text"), "old");
    // Migrated messages are found again by their id.
    EXPECT_EQ(test::idsOf(*test::addChatsAndWait({Wire::at(1).id("old-1")})), QStringList{"old-1"});
    EXPECT_EQ(test::storedChats().size(), 3);
}

TEST(StoreLocationTest, CoordinatorReportsAMissingBundleOrModel)
{
    foundation::Error error;
    EXPECT_FALSE(StoreCoordinator::coordinator("kesvordb", "kesvor", "no.such.bundle", &error));
    EXPECT_EQ(CoordinatorErrors::fromError(error), CoordinatorError::bundleNotFound);
    EXPECT_FALSE(StoreCoordinator::coordinator("nomodel", "kesvor", &error));
    EXPECT_EQ(CoordinatorErrors::fromError(error), CoordinatorError::modelFileNotFound);
    EXPECT_FALSE(QFile::exists(storeFile()));
}

TEST(StoreLocationTest, AFileOfGarbageGivesAnEmptyWorkingStoreAndIsKeptAside)
{
    const QByteArray garbage = QByteArray("\x13\x37 not a database ", 18).repeated(500);
    {
        QFile file(storeFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    EXPECT_EQ(MyDataController::sharedInstance().context()->count(Chat::fetchRequest()), 0);
    EXPECT_EQ(test::idsOf(*test::addChatsAndWait({Wire::at(1).id("fresh")})), QStringList{"fresh"});
    const QStringList aside =
        QDir(dataDirectory()).entryList({"kesvor.sqlite.unreadable-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(contents(dataDirectory() + '/' + aside[0]), garbage);
}

TEST(StoreLocationTest, AStorePathThatIsAFolderGivesAnEmptyWorkingStore)
{
    ASSERT_TRUE(QDir().mkpath(storeFile() + "/inside"));
    EXPECT_EQ(test::idsOf(*test::addChatsAndWait({Wire::at(1).id("fresh")})), QStringList{"fresh"});
    EXPECT_TRUE(QFileInfo(storeFile()).isFile());
}

TEST(StoreLocationTest, ADataDirectoryThatCannotBeMadeGivesATemporaryStore)
{
    QFile blocker(dataDirectory() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("KESVOR_DATA_DIR", (dataDirectory() + "/blocker/data").toUtf8());
    EXPECT_EQ(test::idsOf(*test::addChatsAndWait({Wire::at(1).id("fresh")})), QStringList{"fresh"});
    EXPECT_EQ(test::storedChats().size(), 1);
    const QString path =
        MyDataController::sharedInstance().myPersistentStoreCoordinator()->storePath();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(path.startsWith(dataDirectory())) << path.toStdString();
}
