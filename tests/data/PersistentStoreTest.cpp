#include "data/DataTestFixture.h"

#include "data/DataError.h"
#include "data/SqliteDatabase.h"
#include "data/StoreFiles.h"
#include "data/StoreSchema.h"
#include "data/WalCheckpointer.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <sqlite3.h>

using namespace kesvor;
using data::PersistentStoreCoordinator;
using data::PersistentStoreDescription;

namespace {

class PersistentStoreTest : public test::DataTestFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_directory.isValid());
        m_coordinator = openStore();
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A bundle on disk with notes_v1, notes_v2 (adds "colour") and, when
    // withMapping, a mapping that fills the colour and renames nothing.
    data::Bundle makeBundle(const QString& name, bool withMapping)
    {
        const QString root = path(name);
        writeFile(root + "/notes.momd/VersionInfo.json", R"({"currentVersion": "notes_v2"})");
        writeFile(root + "/notes.momd/notes_v1.json", notesModelJson("notes_v1"));
        writeFile(root + "/notes.momd/notes_v2.json", notesModelJson("notes_v2", "colour"));
        if (withMapping)
            writeFile(root + "/notes_v1_v2.mapping.json", R"({
                "sourceVersion": "notes_v1", "destinationVersion": "notes_v2",
                "entityMappings": [ { "sourceEntity": "Note", "destinationEntity": "Note",
                    "attributeMappings": [
                        { "destination": "colour", "value": "blue" },
                        { "destination": "day", "source": "day", "default": "undated" } ] } ] })");
        return data::Bundle(root);
    }

    std::shared_ptr<PersistentStoreCoordinator> open(const QString& file,
                                                     data::ManagedObjectModel::Ptr model,
                                                     PersistentStoreDescription description,
                                                     foundation::Error* error)
    {
        auto coordinator = std::make_shared<PersistentStoreCoordinator>(model);
        description.url = file;
        return coordinator->addPersistentStore(description, error) ? coordinator : nullptr;
    }

    static QStringList titlesIn(const std::shared_ptr<PersistentStoreCoordinator>& coordinator,
                                const QString& key = QStringLiteral("title"))
    {
        auto context = data::ManagedObjectContext::create(
            data::ManagedObjectContext::ConcurrencyType::PrivateQueue, coordinator);
        QStringList values;
        const auto notes = context->fetch(data::FetchRequest::forEntity("Note"));
        for (const auto& note : notes.value_or(QList<data::ObjectPtr>()))
            values << note->value(key).toString();
        return values;
    }

    // Saves notes and copies the store while its connection is still open,
    // as a crashed process leaves it: the saved rows live only in the "-wal".
    void writeCrashLeftStore(const QString& destination, const QStringList& titles)
    {
        const QString source = destination + ".source";
        foundation::Error error;
        auto coordinator = open(source, notesModel(), {}, &error);
        ASSERT_TRUE(coordinator) << error.description.toStdString();
        auto context = data::ManagedObjectContext::create(
            data::ManagedObjectContext::ConcurrencyType::PrivateQueue, coordinator);
        for (const QString& title : titles)
            context->insertNewObject("Note")->setValue(title, "title");
        ASSERT_TRUE(context->save());
        ASSERT_TRUE(QFile::exists(source + "-wal"));
        data::StoreFiles::remove(destination);
        ASSERT_TRUE(QFile::copy(source, destination));
        ASSERT_TRUE(QFile::copy(source + "-wal", destination + "-wal"));
    }
};

} // namespace

TEST_F(PersistentStoreTest, ANewStoreRecordsItsModelAndOpensAgainAsItIs)
{
    auto context = newContext();
    insertNote(*context, "kept");
    ASSERT_TRUE(context->save());
    const auto metadata = PersistentStoreCoordinator::metadataForPersistentStore(storePath());
    ASSERT_TRUE(metadata);
    EXPECT_TRUE(notesModel()->isConfigurationCompatibleWithStoreMetadata(*metadata));
    EXPECT_EQ(metadata->value("versionIdentifier"), "notes_v1");
    EXPECT_FALSE(metadata->value("storeUUID").toString().isEmpty());
    EXPECT_FALSE(
        notesModel("other", "extra")->isConfigurationCompatibleWithStoreMetadata(*metadata));
    // Indexes do not change what a store holds.
    EXPECT_EQ(notesModel("v9")->versionHash(), notesModel()->versionHash());

    foundation::Error error;
    auto reopened = open(storePath(), notesModel(), {}, &error);
    ASSERT_TRUE(reopened) << error.description.toStdString();
    EXPECT_EQ(titlesIn(reopened), QStringList{"kept"});
    EXPECT_FALSE(
        PersistentStoreCoordinator::metadataForPersistentStore(path("none.sqlite"), &error));
    EXPECT_EQ(error.code, data::DataError::NoPersistentStore);
}

TEST_F(PersistentStoreTest, FilesThatAreNoStoresAreRefusedAndLeftAsTheyWere)
{
    const QByteArray garbage = QByteArray("this is no database at all ").repeated(200);
    writeFile(path("garbage.sqlite"), garbage);
    foundation::Error error;
    EXPECT_FALSE(open(path("garbage.sqlite"), notesModel(), {}, &error));
    EXPECT_EQ(error.domain, data::SqliteDatabase::errorDomain);
    EXPECT_TRUE(data::SqliteDatabase::isCorruption(error.code)) << error.description.toStdString();
    EXPECT_EQ(readFile(path("garbage.sqlite")), garbage);
    EXPECT_FALSE(PersistentStoreCoordinator::metadataForPersistentStore(path("garbage.sqlite")));

    {
        auto foreign = data::SqliteDatabase::open(path("foreign.sqlite"),
                                                  data::SqliteDatabase::OpenMode::ReadWriteCreate);
        ASSERT_TRUE(
            foreign->exec("CREATE TABLE people (name TEXT); INSERT INTO people VALUES ('x')"));
    }
    EXPECT_FALSE(open(path("foreign.sqlite"), notesModel(), {}, &error));
    EXPECT_EQ(error.code, data::DataError::NotAStore);

    QDir().mkpath(path("folder.sqlite"));
    EXPECT_FALSE(open(path("folder.sqlite"), notesModel(), {}, &error));

    writeFile(path("empty.sqlite"), {});
    auto fresh = open(path("empty.sqlite"), notesModel(), {}, &error);
    ASSERT_TRUE(fresh) << error.description.toStdString();
    EXPECT_TRUE(titlesIn(fresh).isEmpty());
}

TEST_F(PersistentStoreTest, ADamagedStoreIsFoundWhenItIsOpened)
{
    auto context = newContext();
    for (int i = 0; i < 300; ++i)
        insertNote(*context, QStringLiteral("note %1 ").arg(i).repeated(10));
    ASSERT_TRUE(context->save());
    context.reset();
    m_coordinator.reset();
    ASSERT_TRUE(data::StoreFiles::checkpoint(storePath()));
    QByteArray bytes = readFile(storePath());
    ASSERT_GT(bytes.size(), 16 * 4096);
    for (qsizetype i = 8 * 4096; i < 12 * 4096; ++i)
        bytes[i] = char(i * 7);
    writeFile(storePath(), bytes);
    foundation::Error error;
    EXPECT_FALSE(open(storePath(), notesModel(), {}, &error));
    EXPECT_TRUE(data::SqliteDatabase::isCorruption(error.code)) << error.description.toStdString();
}

TEST_F(PersistentStoreTest, AStoreOfAnOlderModelIsMigratedThroughTheMappingOrAnInferredOne)
{
    writeCrashLeftStore(path("mapped.sqlite"), {"first", "second"});
    writeCrashLeftStore(path("inferred.sqlite"), {"third"});
    writeCrashLeftStore(path("stuck.sqlite"), {"fourth"});
    const auto v2 = notesModel("notes_v2", "colour");

    PersistentStoreDescription mapped;
    mapped.modelBundles = {makeBundle("withMapping", true)};
    foundation::Error error;
    auto coordinator = open(path("mapped.sqlite"), v2, mapped, &error);
    ASSERT_TRUE(coordinator) << error.description.toStdString();
    // Rows that lived only in the write-ahead log were migrated too.
    EXPECT_EQ(titlesIn(coordinator), (QStringList{"first", "second"}));
    EXPECT_EQ(titlesIn(coordinator, "colour"), (QStringList{"blue", "blue"}));
    EXPECT_EQ(titlesIn(coordinator, "day"), (QStringList{"undated", "undated"}));
    EXPECT_FALSE(QFile::exists(path("mapped.migrating.sqlite")));
    EXPECT_TRUE(v2->isConfigurationCompatibleWithStoreMetadata(
        *PersistentStoreCoordinator::metadataForPersistentStore(path("mapped.sqlite"))));

    PersistentStoreDescription inferred;
    inferred.modelBundles = {makeBundle("withoutMapping", false)};
    coordinator = open(path("inferred.sqlite"), v2, inferred, &error);
    ASSERT_TRUE(coordinator) << error.description.toStdString();
    EXPECT_EQ(titlesIn(coordinator), QStringList{"third"});
    EXPECT_EQ(titlesIn(coordinator, "colour"), QStringList{QString()});

    PersistentStoreDescription strict = inferred;
    strict.shouldInferMappingModelAutomatically = false;
    EXPECT_FALSE(open(path("stuck.sqlite"), v2, strict, &error));
    EXPECT_EQ(error.code, data::DataError::IncompatibleStore);
    PersistentStoreDescription noMigration = mapped;
    noMigration.shouldMigrateStoreAutomatically = false;
    EXPECT_FALSE(open(path("stuck.sqlite"), v2, noMigration, &error));
    PersistentStoreDescription unknownSource;
    EXPECT_FALSE(open(path("stuck.sqlite"), v2, unknownSource, &error));
    // The refused store is still the old one, with its data.
    EXPECT_EQ(titlesIn(open(path("stuck.sqlite"), notesModel(), {}, &error)),
              QStringList{"fourth"});
}

TEST_F(PersistentStoreTest, ReplacingAStoreNeverLeavesItsOldLogNextToTheNewFile)
{
    writeCrashLeftStore(path("target.sqlite"), {"old"});
    {
        foundation::Error error;
        auto replacement = open(path("replacement.sqlite"), notesModel(), {}, &error);
        auto context = data::ManagedObjectContext::create(
            data::ManagedObjectContext::ConcurrencyType::PrivateQueue, replacement);
        insertNote(*context, "new");
        ASSERT_TRUE(context->save());
    }
    foundation::Error error;
    ASSERT_TRUE(
        data::StoreFiles::replace(path("target.sqlite"), path("replacement.sqlite"), &error))
        << error.description.toStdString();
    for (const QString& file : data::StoreFiles::sideFiles(path("target.sqlite")) +
                                   QStringList{path("replacement.sqlite")})
        EXPECT_FALSE(QFile::exists(file)) << file.toStdString();
    auto coordinator = open(path("target.sqlite"), notesModel(), {}, &error);
    ASSERT_TRUE(coordinator) << error.description.toStdString();
    EXPECT_EQ(titlesIn(coordinator), QStringList{"new"});

    // Moving a store takes its log along.
    writeCrashLeftStore(path("moving.sqlite"), {"logged"});
    ASSERT_TRUE(data::StoreFiles::move(path("moving.sqlite"), path("moved.sqlite"), &error));
    EXPECT_FALSE(QFile::exists(path("moving.sqlite-wal")));
    EXPECT_EQ(titlesIn(open(path("moved.sqlite"), notesModel(), {}, &error)),
              QStringList{"logged"});
}

TEST_F(PersistentStoreTest, LargeSavesAreCopiedIntoTheFileAfterwardsAndTheLogStaysBounded)
{
    // Each save puts some 1,500 pages into the log, over the checkpoint size.
    const QString text(4000, u'x');
    const int perSave = 1500;
    qint64 logAfterFirst = 0;
    for (int save = 0; save < 4; ++save) {
        auto context = newContext();
        for (int i = 0; i < perSave; ++i)
            insertNote(*context, text + QString::number(save * perSave + i));
        ASSERT_TRUE(context->save());
        m_coordinator->waitForCheckpoints();
        if (save == 0) {
            // The saved pages are in the file itself, not only in the log.
            EXPECT_GT(QFileInfo(storePath()).size(), qint64(perSave) * 4000);
            logAfterFirst = QFileInfo(storePath() + "-wal").size();
        }
    }
    // Every save starts the log over rather than adding to it.
    EXPECT_LT(QFileInfo(storePath() + "-wal").size(), 2 * logAfterFirst);

    // Closing the store right after a large save loses nothing, whether or
    // not its copy had begun.
    {
        auto context = newContext();
        for (int i = 0; i < perSave; ++i)
            insertNote(*context, text + QStringLiteral("last"));
        ASSERT_TRUE(context->save());
    }
    m_coordinator.reset();
    m_coordinator = openStore();
    ASSERT_TRUE(m_coordinator);
    EXPECT_EQ(storedTitles().size(), 5 * perSave);
}

TEST_F(PersistentStoreTest, ACheckpointOfAStoreThatIsGoneIsDroppedQuietly)
{
    const QString missing = path("gone/notes.sqlite");
    data::WalCheckpointer checkpointer(missing);
    checkpointer.committed(data::WalCheckpointer::checkpointPages);
    checkpointer.waitUntilIdle();
    EXPECT_FALSE(QFile::exists(missing));
    // Small commits ask for nothing, and asking again after a failure works.
    checkpointer.committed(1);
    checkpointer.request();
    checkpointer.waitUntilIdle();
}
