#include "data/DataTestFixture.h"

#include "data/DataError.h"
#include "data/ValueComparison.h"
#include "support/TestSupport.h"

#include <QtCore/QSize>
#include <QtCore/QTimeZone>

#include <thread>

using namespace kesvor;
using data::FetchRequest;
using data::ManagedObjectContext;

namespace {

class ManagedObjectContextTest : public test::DataTestFixture {
protected:
    static FetchRequest notesWhere(const QString& format, const QVariantList& arguments = {})
    {
        auto request = FetchRequest::forEntity(QStringLiteral("Note"));
        request.predicate = data::Predicate::withFormat(format, arguments);
        return request;
    }

    std::shared_ptr<ManagedObjectContext> mainContext()
    {
        auto context = newContext(ManagedObjectContext::ConcurrencyType::MainQueue);
        context->setAutomaticallyMergesChangesFromParent(true);
        return context;
    }

    void saveNotes(const QStringList& titles)
    {
        auto context = newContext();
        for (const QString& title : titles)
            insertNote(*context, title);
        ASSERT_TRUE(context->save());
    }
};

// Records what a context tells its change observers.
struct ChangeLog {
    explicit ChangeLog(ManagedObjectContext& context)
    {
        context.addChangeObserver([this](const data::ObjectChanges& c) { changes << c; });
    }
    QList<data::ObjectChanges> changes;
};

} // namespace

TEST_F(ManagedObjectContextTest, ValuesOfEveryTypeComeBackAsTheyWereSaved)
{
    const QDateTime at(QDate(2024, 2, 29), QTime(23, 59, 59, 999), QTimeZone("Asia/Kolkata"));
    const QVariantMap body{{"text", "hi"},
                           {"list", QVariantList{1, 2.5, "x", QVariant::fromValue(nullptr)}},
                           {"nested", QVariantMap{{"flag", true}, {"big", qlonglong(1) << 60}}}};
    {
        auto context = newContext();
        auto note = insertNote(*context, QStringLiteral("typed"), QStringLiteral("2024-02-29"), 7);
        EXPECT_TRUE(note->setValue(at, QStringLiteral("at")));
        EXPECT_TRUE(note->setValue(0.25, QStringLiteral("score")));
        EXPECT_TRUE(note->setValue(false, QStringLiteral("done")));
        EXPECT_TRUE(note->setValue(body, QStringLiteral("body")));
        // Values of the wrong type and unknown keys change nothing.
        EXPECT_FALSE(note->setValue(QStringLiteral("7"), QStringLiteral("rank")));
        EXPECT_FALSE(note->setValue(1, QStringLiteral("title")));
        EXPECT_FALSE(note->setValue(QStringLiteral("x"), QStringLiteral("colour")));
        EXPECT_FALSE(note->setValue(QVariant(QPoint(1, 2)), QStringLiteral("body")));
        EXPECT_TRUE(note->objectID().isTemporaryID());
        ASSERT_TRUE(context->save());
        EXPECT_FALSE(note->objectID().isTemporaryID());
        EXPECT_FALSE(context->hasChanges());
    }
    const auto notes = newContext()->fetch(FetchRequest::forEntity(QStringLiteral("Note")));
    ASSERT_TRUE(notes);
    ASSERT_EQ(notes->size(), 1);
    const auto& note = notes->first();
    EXPECT_EQ(note->value(QStringLiteral("title")), QStringLiteral("typed"));
    EXPECT_EQ(note->value(QStringLiteral("rank")).toLongLong(), 7);
    EXPECT_EQ(note->value(QStringLiteral("at")).toDateTime().toMSecsSinceEpoch(),
              at.toMSecsSinceEpoch());
    EXPECT_EQ(note->value(QStringLiteral("score")).toDouble(), 0.25);
    EXPECT_EQ(note->value(QStringLiteral("done")), QVariant(false));
    EXPECT_TRUE(data::valuesEqual(note->value(QStringLiteral("body")), body));
    EXPECT_FALSE(
        data::valuesEqual(note->value(QStringLiteral("body")), QVariantMap{{"text", "hi"}}));
}

TEST_F(ManagedObjectContextTest, ObjectsInsertedWithAllTheirValuesAreCheckedLikeSetValue)
{
    auto context = newContext();
    const QString note = QStringLiteral("Note");
    const QDateTime at(QDate(2024, 2, 29), QTime(23, 59, 59, 999), QTimeZone::utc());
    // title, day, at, rank, score, done, body; an invalid value leaves its attribute unset.
    const data::AttributeValues values{QStringLiteral("full"),
                                       QVariant(),
                                       at,
                                       3,
                                       0.5,
                                       true,
                                       QVariantMap{{"nested", QVariantList{1, "two"}}}};
    auto inserted = context->insertNewObject(note, values);
    ASSERT_TRUE(inserted);
    EXPECT_TRUE(inserted->isInserted());
    EXPECT_EQ(inserted->changedKeys(),
              (QStringList{"title", "at", "rank", "score", "done", "body"}));

    foundation::Error error;
    EXPECT_FALSE(
        context->insertNewObject(note, data::AttributeValues{QStringLiteral("short")}, &error));
    EXPECT_EQ(error.code, data::DataError::InvalidValue);
    data::AttributeValues wrongType = values;
    wrongType[3] = QStringLiteral("three");
    EXPECT_FALSE(context->insertNewObject(note, wrongType, &error));
    EXPECT_EQ(error.code, data::DataError::InvalidValue);
    data::AttributeValues notJson = values;
    notJson[6] = QVariantMap{{"x", QVariant::fromValue(QSize(1, 1))}};
    EXPECT_FALSE(context->insertNewObject(note, notJson, &error));
    EXPECT_FALSE(context->insertNewObject(QStringLiteral("Nothing"), values, &error));

    ASSERT_TRUE(context->save());
    const auto stored = newContext()->fetch(FetchRequest::forEntity(note));
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 1);
    const auto& object = *stored->first();
    EXPECT_EQ(object.value("title"), "full");
    EXPECT_FALSE(object.value("day").isValid());
    EXPECT_EQ(object.value("at").toDateTime(), at);
    EXPECT_EQ(object.value("rank"), 3);
    EXPECT_EQ(object.value("body").toMap().value("nested").toList().value(1), "two");
}

TEST_F(ManagedObjectContextTest, AContextSeesItsOwnUnsavedChangesAndOthersOnlyAfterTheSave)
{
    saveNotes({QStringLiteral("stored")});
    auto writer = newContext();
    auto reader = newContext();
    auto added = insertNote(*writer, QStringLiteral("added"));
    const auto found = writer->fetch(notesWhere("title == 'added'"));
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1);
    EXPECT_EQ(found->first(), added); // one object per stored row and context

    auto stored = writer->fetch(notesWhere("title == 'stored'"))->first();
    stored->setValue(QStringLiteral("renamed"), QStringLiteral("title"));
    EXPECT_EQ(writer->count(notesWhere("title == 'renamed'")), 1);
    EXPECT_EQ(writer->count(notesWhere("title == 'stored'")), 0);
    EXPECT_EQ(reader->count(notesWhere("title == 'stored'")), 1);
    EXPECT_EQ(reader->count(notesWhere("title == 'added'")), 0);

    writer->deleteObject(stored);
    EXPECT_EQ(writer->count(FetchRequest::forEntity(QStringLiteral("Note"))), 1);
    ASSERT_TRUE(writer->save());
    EXPECT_EQ(storedTitles(), QStringList{"added"});
    EXPECT_TRUE(stored->isDeleted() || !stored->managedObjectContext());
}

TEST_F(ManagedObjectContextTest, ContextsThatEndLeaveTheirConnectionsCleanForTheNextOnes)
{
    saveNotes({QStringLiteral("stored")});
    const auto all = FetchRequest::forEntity(QStringLiteral("Note"));
    {
        // Its unsaved note went into an open transaction for the count.
        auto abandoned = newContext();
        insertNote(*abandoned, QStringLiteral("unsaved"));
        EXPECT_EQ(abandoned->count(all), 2);
        auto idle = newContext();
        EXPECT_EQ(idle->count(all), 1);
    }
    auto writer = newContext();
    EXPECT_EQ(writer->count(all), 1);
    insertNote(*writer, QStringLiteral("next"));
    ASSERT_TRUE(writer->save());
    // A connection that read before the save sees it in its next context.
    auto reader = newContext();
    EXPECT_EQ(reader->count(all), 2);
    EXPECT_EQ(storedTitles(), (QStringList{"stored", "next"}));
}

TEST_F(ManagedObjectContextTest, RollbackRestoresStoredValuesAndDropsInsertedObjects)
{
    saveNotes({QStringLiteral("one"), QStringLiteral("two")});
    auto context = newContext();
    const auto notes = *context->fetch(FetchRequest::forEntity(QStringLiteral("Note")));
    notes[0]->setValue(QStringLiteral("changed"), QStringLiteral("title"));
    context->deleteObject(notes[1]);
    auto fresh = insertNote(*context, QStringLiteral("fresh"));
    EXPECT_EQ(context->count(FetchRequest::forEntity(QStringLiteral("Note"))), 2);
    context->rollback();
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(notes[0]->value(QStringLiteral("title")), QStringLiteral("one"));
    EXPECT_FALSE(notes[1]->isDeleted());
    EXPECT_FALSE(fresh->managedObjectContext());
    EXPECT_FALSE(fresh->setValue(QStringLiteral("again"), QStringLiteral("title")));
    ASSERT_TRUE(context->save());
    EXPECT_EQ(storedTitles(), (QStringList{"one", "two"}));

    // An object inserted and deleted before any save never reaches the store.
    auto ghost = insertNote(*context, QStringLiteral("ghost"));
    context->deleteObject(ghost);
    EXPECT_FALSE(context->hasChanges());
    ChangeLog log(*context);
    ASSERT_TRUE(context->save());
    EXPECT_TRUE(log.changes.isEmpty());
}

TEST_F(ManagedObjectContextTest, SortOffsetLimitAndCountWorkTogether)
{
    auto context = newContext();
    const int ranks[] = {3, 1, 2, 1, 3, 0};
    for (int i = 0; i < 6; ++i)
        insertNote(*context, QStringLiteral("n%1").arg(i), QStringLiteral("d"), ranks[i]);
    ASSERT_TRUE(context->save());
    auto request = FetchRequest::forEntity(QStringLiteral("Note"));
    request.sortDescriptors = {{QStringLiteral("rank"), false}};
    auto titles = [&] {
        QStringList result;
        const QList<data::ObjectPtr> notes =
            newContext()->fetch(request).value_or(QList<data::ObjectPtr>());
        for (const auto& note : notes)
            result << note->value(QStringLiteral("title")).toString();
        return result;
    };
    // Ties keep the order in which the notes were stored.
    EXPECT_EQ(titles(), (QStringList{"n0", "n4", "n2", "n1", "n3", "n5"}));
    request.fetchOffset = 2;
    request.fetchLimit = 3;
    EXPECT_EQ(titles(), (QStringList{"n2", "n1", "n3"}));
    EXPECT_EQ(newContext()->count(request), 3);
    request.fetchOffset = 5;
    EXPECT_EQ(newContext()->count(request), 1);
    request.fetchOffset = 9;
    EXPECT_EQ(newContext()->count(request), 0);
    request.sortDescriptors = {{QStringLiteral("body"), true}};
    foundation::Error error;
    EXPECT_FALSE(newContext()->fetch(request, &error));
    EXPECT_EQ(error.code, data::DataError::UnknownAttribute);
    EXPECT_FALSE(newContext()->fetch(FetchRequest::forEntity(QStringLiteral("Nothing")), &error));
    EXPECT_EQ(error.code, data::DataError::UnknownEntity);
}

TEST_F(ManagedObjectContextTest, BackgroundSavesAreMergedIntoTheMainContextByItsPolicy)
{
    saveNotes({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    auto main = mainContext();
    main->setMergePolicy(ManagedObjectContext::MergePolicy::MergeByPropertyObjectTrump);
    ChangeLog log(*main);
    const auto loaded = *main->fetch(FetchRequest::forEntity(QStringLiteral("Note")));
    loaded[0]->setValue(QStringLiteral("local"), QStringLiteral("title")); // unsaved in main

    auto background = newContext();
    background->performAndWait([&] {
        const auto notes = *background->fetch(FetchRequest::forEntity(QStringLiteral("Note")));
        notes[0]->setValue(QStringLiteral("remote"), QStringLiteral("title"));
        notes[0]->setValue(qlonglong(9), QStringLiteral("rank"));
        notes[1]->setValue(qlonglong(5), QStringLiteral("rank"));
        background->deleteObject(notes[2]);
        insertNote(*background, QStringLiteral("d"));
        ASSERT_TRUE(background->save());
    });
    ASSERT_TRUE(test::waitUntil([&] { return !log.changes.isEmpty(); }));
    const data::ObjectChanges& changes = log.changes.first();
    EXPECT_EQ(changes.inserted.size(), 1);
    EXPECT_EQ(changes.updated,
              (QList<data::ObjectID>{loaded[0]->objectID(), loaded[1]->objectID()}));
    EXPECT_EQ(changes.deleted, QList<data::ObjectID>{loaded[2]->objectID()});
    // The unsaved local title wins; the rank nobody changed here is taken.
    EXPECT_EQ(loaded[0]->value(QStringLiteral("title")), QStringLiteral("local"));
    EXPECT_EQ(loaded[0]->value(QStringLiteral("rank")).toLongLong(), 9);
    EXPECT_EQ(loaded[1]->value(QStringLiteral("rank")).toLongLong(), 5);
    EXPECT_FALSE(loaded[2]->managedObjectContext());

    // With the store's values winning, the local change is gone.
    main->setMergePolicy(ManagedObjectContext::MergePolicy::MergeByPropertyStoreTrump);
    main->mergeChanges({{}, {loaded[0]->objectID()}, {}});
    EXPECT_EQ(loaded[0]->value(QStringLiteral("title")), QStringLiteral("remote"));
    EXPECT_FALSE(main->hasChanges());
}

TEST_F(ManagedObjectContextTest, BatchDeleteEmptiesTheStoreAndTheContextsThatShowIt)
{
    saveNotes({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    auto main = mainContext();
    ChangeLog log(*main);
    const auto loaded = *main->fetch(FetchRequest::forEntity(QStringLiteral("Note")));
    auto other = newContext();
    other->setAutomaticallyMergesChangesFromParent(true);
    const auto otherLoaded = *other->fetch(FetchRequest::forEntity(QStringLiteral("Note")));

    data::BatchDeleteRequest request{notesWhere("title != 'b'")};
    const auto deleted = m_coordinator->execute(request, *main);
    ASSERT_TRUE(deleted);
    EXPECT_EQ(*deleted, (QList<data::ObjectID>{loaded[0]->objectID(), loaded[2]->objectID()}));
    ASSERT_EQ(log.changes.size(), 1); // told at once, not later
    EXPECT_EQ(log.changes.first().deleted, *deleted);
    EXPECT_FALSE(loaded[0]->managedObjectContext());
    EXPECT_TRUE(loaded[1]->managedObjectContext());
    EXPECT_EQ(main->registeredObjectCount(), 1);
    EXPECT_EQ(storedTitles(), QStringList{"b"});
    // A private context merges the deletion when it is next used.
    other->performAndWait([] {});
    EXPECT_FALSE(otherLoaded[0]->managedObjectContext());
    EXPECT_EQ(other->registeredObjectCount(), 1);
}

TEST_F(ManagedObjectContextTest, ContextsOnSeveralThreadsSaveWithoutLosingAnything)
{
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([&, w] {
            for (int batch = 0; batch < 10; ++batch) {
                auto context = newContext();
                context->performAndWait([&] {
                    for (int i = 0; i < 20; ++i)
                        insertNote(*context, QStringLiteral("w%1-%2-%3").arg(w).arg(batch).arg(i));
                    // A fetch in between holds this context's transaction open.
                    context->count(FetchRequest::forEntity(QStringLiteral("Note")));
                    if (!context->save())
                        ++failures;
                });
            }
        });
    }
    auto main = mainContext();
    for (int i = 0; i < 20; ++i) // readers are never blocked by the writers
        EXPECT_TRUE(main->count(FetchRequest::forEntity(QStringLiteral("Note"))));
    for (auto& thread : writers)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(storedTitles().size(), 4 * 10 * 20);
}

TEST_F(ManagedObjectContextTest, LookupsByAnIndexedAttributeSearchTheIndex)
{
    const auto plan = newContext()->queryPlan(notesWhere("title == %@", {"x"}));
    ASSERT_TRUE(plan);
    EXPECT_TRUE(plan->contains(QStringLiteral("USING INDEX Note_byTitle"))) << plan->toStdString();
    EXPECT_TRUE(newContext()->queryPlan(notesWhere("rank == 1"))->contains(QStringLiteral("SCAN")));
}

TEST_F(ManagedObjectContextTest, AnObjectIsTheSameWhicheverWayItsRowIsReachedAndGoesWhenReleased)
{
    auto writer = newContext();
    QList<data::ObjectPtr> written;
    for (int i = 0; i < 3000; ++i)
        written << insertNote(*writer, QStringLiteral("n%1").arg(i), QStringLiteral("2024-01-01"),
                              i);
    ASSERT_TRUE(writer->save());
    // The writer finds the objects it wrote, not copies of them.
    const auto back = writer->fetch(notesWhere("rank >= 1500"));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 1500);
    EXPECT_EQ(back->first(), written[1500]);
    EXPECT_EQ(back->last(), written[2999]);

    // Rows reached in descending, then ascending, then scattered order.
    auto reader = newContext();
    auto descending = notesWhere("rank >= 0");
    descending.sortDescriptors = {{QStringLiteral("rank"), false}};
    auto first = *reader->fetch(descending);
    auto second = *reader->fetch(notesWhere("rank >= 0"));
    ASSERT_EQ(first.size(), 3000);
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(second[i], first[2999 - i]) << i;
    auto scattered = notesWhere("rank IN %@", {QVariant(QVariantList{2500, 7, 1200})});
    scattered.sortDescriptors = {{QStringLiteral("rank"), true}};
    EXPECT_EQ(*reader->fetch(scattered),
              (QList<data::ObjectPtr>{first[2999 - 7], first[2999 - 1200], first[2999 - 2500]}));
    EXPECT_EQ(reader->registeredObjectCount(), 3000);

    // Released objects leave the registry; the next fetch makes new ones.
    const QList<data::ObjectPtr> kept = second.mid(0, 10);
    first.clear();
    second.clear();
    EXPECT_EQ(reader->registeredObjectCount(), 10);
    const auto again = *reader->fetch(notesWhere("rank < 20"));
    EXPECT_EQ(again.mid(0, 10), kept);
    EXPECT_EQ(reader->registeredObjectCount(), 20);

    // A deleted object is no longer found, and its row is gone.
    reader->deleteObject(kept[3]);
    ASSERT_TRUE(reader->save());
    EXPECT_EQ(reader->fetch(notesWhere("rank == 3"))->size(), 0);
    EXPECT_EQ(storedTitles().size(), 2999);
}
