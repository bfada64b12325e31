#include "data/DataTestFixture.h"

#include "data/FetchedResultsController.h"
#include "support/TestSupport.h"

using namespace kesvor;
using data::FetchedResultsChangeType;
using data::FetchRequest;
using data::IndexPath;

namespace {

QString describe(const IndexPath& path)
{
    return QStringLiteral("[%1,%2]").arg(path.section).arg(path.item);
}

// Writes every delegate call as one line.
class RecordingDelegate : public data::FetchedResultsControllerDelegate {
public:
    QStringList calls;

    void controllerWillChangeContent(data::FetchedResultsController&) override { calls << "will"; }
    void controllerDidChangeContent(data::FetchedResultsController&) override { calls << "did"; }
    void controllerDidChangeSection(data::FetchedResultsController&,
                                    const data::FetchedResultsSectionInfo& section, int index,
                                    FetchedResultsChangeType type) override
    {
        calls << QStringLiteral("section %1 %2 %3")
                     .arg(type == FetchedResultsChangeType::Insert ? "insert" : "delete")
                     .arg(index)
                     .arg(section.name);
    }
    void controllerDidChangeObject(data::FetchedResultsController&, const data::ObjectPtr& object,
                                   std::optional<IndexPath> from, FetchedResultsChangeType type,
                                   std::optional<IndexPath> to) override
    {
        const QString title = object->value(QStringLiteral("title")).toString();
        switch (type) {
        case FetchedResultsChangeType::Insert:
            calls << QStringLiteral("insert %1 %2").arg(title, describe(*to));
            break;
        case FetchedResultsChangeType::Delete:
            calls << QStringLiteral("delete %1 %2").arg(title, describe(*from));
            break;
        case FetchedResultsChangeType::Update:
            calls << QStringLiteral("update %1 %2").arg(title, describe(*from));
            break;
        case FetchedResultsChangeType::Move:
            calls << QStringLiteral("move %1 %2 %3").arg(title, describe(*from), describe(*to));
            break;
        }
    }
};

class FetchedResultsControllerTest : public test::DataTestFixture {
protected:
    void SetUp() override
    {
        DataTestFixture::SetUp();
        m_main = newContext(data::ManagedObjectContext::ConcurrencyType::MainQueue);
        m_main->setAutomaticallyMergesChangesFromParent(true);
        m_main->addChangeObserver([this](const data::ObjectChanges&) { ++m_merges; });
    }

    std::unique_ptr<data::FetchedResultsController> makeController(int offset = 0)
    {
        auto request = FetchRequest::forEntity(QStringLiteral("Note"));
        request.sortDescriptors = {{QStringLiteral("day"), true}, {QStringLiteral("rank"), true}};
        request.fetchOffset = offset;
        auto controller = std::make_unique<data::FetchedResultsController>(request, m_main,
                                                                           QStringLiteral("day"));
        controller->setDelegate(&m_delegate);
        EXPECT_TRUE(controller->performFetch());
        return controller;
    }

    // Runs changes in a background context, saves, and waits for the merge.
    QStringList change(const std::function<void(data::ManagedObjectContext&)>& work)
    {
        m_delegate.calls.clear();
        const int merges = m_merges;
        auto context = newContext();
        context->performAndWait([&] {
            work(*context);
            EXPECT_TRUE(context->save());
        });
        EXPECT_TRUE(test::waitUntil([&] { return m_merges > merges; }));
        return m_delegate.calls;
    }

    static data::ObjectPtr note(data::ManagedObjectContext& context, const QString& title)
    {
        auto request = FetchRequest::forEntity(QStringLiteral("Note"));
        request.predicate = data::Predicate::withFormat(QStringLiteral("title == %@"), {title});
        return context.fetch(request)->first();
    }

    static QStringList sectionsOf(const data::FetchedResultsController& controller)
    {
        QStringList result;
        for (const auto& section : *controller.sections()) {
            QStringList titles;
            for (const auto& object : section.objects)
                titles << object->value(QStringLiteral("title")).toString();
            result << section.name + u':' + titles.join(u',');
        }
        return result;
    }

    std::shared_ptr<data::ManagedObjectContext> m_main;
    RecordingDelegate m_delegate;
    int m_merges = 0;
};

} // namespace

TEST_F(FetchedResultsControllerTest, SectionAndItemChangesFollowEachSave)
{
    change([](auto& c) {
        insertNote(c, "a", "2024-01-01", 1);
        insertNote(c, "b", "2024-01-01", 2);
        insertNote(c, "c", "2024-01-02", 1);
    });
    auto controller = makeController();
    EXPECT_EQ(sectionsOf(*controller), (QStringList{"2024-01-01:a,b", "2024-01-02:c"}));
    EXPECT_EQ(controller->object({1, 0})->value(QStringLiteral("title")), QStringLiteral("c"));
    EXPECT_FALSE(controller->object({1, 1}));
    EXPECT_EQ(controller->indexPath(controller->object({0, 1})), (IndexPath{0, 1}));

    EXPECT_EQ(change([](auto& c) { insertNote(c, "d", "2024-01-03", 1); }),
              (QStringList{"will", "section insert 2 2024-01-03", "insert d [2,0]", "did"}));
    EXPECT_EQ(change([](auto& c) { note(c, "b")->setValue(qlonglong(0), "rank"); }),
              (QStringList{"will", "move b [0,1] [0,0]", "did"}));
    EXPECT_EQ(change([](auto& c) { note(c, "a")->setValue(0.5, "score"); }),
              (QStringList{"will", "update a [0,1]", "did"}));
    EXPECT_EQ(change([](auto& c) { c.deleteObject(note(c, "c")); }),
              (QStringList{"will", "section delete 1 2024-01-02", "delete c [1,0]", "did"}));
    EXPECT_EQ(change([](auto& c) { note(c, "d")->setValue(QStringLiteral("2024-01-01"), "day"); }),
              (QStringList{"will", "section delete 1 2024-01-03", "move d [1,0] [0,2]", "did"}));
    EXPECT_EQ(sectionsOf(*controller), QStringList{"2024-01-01:b,a,d"});

    // Changes to objects the request does not select report nothing.
    controller->fetchRequest().predicate = data::Predicate::withFormat(QStringLiteral("rank < 5"));
    ASSERT_TRUE(controller->performFetch());
    EXPECT_EQ(change([](auto& c) { insertNote(c, "far", "2024-01-01", 9); }), QStringList{});
    EXPECT_EQ(change([](auto& c) { note(c, "a")->setValue(qlonglong(7), "rank"); }),
              (QStringList{"will", "delete a [0,1]", "did"}));
}

TEST_F(FetchedResultsControllerTest, InsertedObjectsJoinAWindowThatStartsAtAnOffset)
{
    change([](auto& c) {
        for (int i = 0; i < 10; ++i)
            insertNote(c, QStringLiteral("n%1").arg(i), "2024-01-01", i * 10);
    });
    auto controller = makeController(5);
    EXPECT_EQ(sectionsOf(*controller), QStringList{"2024-01-01:n5,n6,n7,n8,n9"});
    EXPECT_EQ(change([](auto& c) { insertNote(c, "new", "2024-01-02", 0); }),
              (QStringList{"will", "section insert 1 2024-01-02", "insert new [1,0]", "did"}));
    // A new object older than the window still joins it...
    EXPECT_EQ(change([](auto& c) { insertNote(c, "late", "2024-01-01", 1); }),
              (QStringList{"will", "insert late [0,0]", "did"}));
    // ...but a change to an object outside the window does not pull it in,
    // unless it now sorts into the window.
    EXPECT_EQ(change([](auto& c) { note(c, "n1")->setValue(qlonglong(0), "rank"); }),
              QStringList{});
    EXPECT_EQ(change([](auto& c) { note(c, "n2")->setValue(qlonglong(95), "rank"); }),
              (QStringList{"will", "insert n2 [0,6]", "did"}));
    EXPECT_EQ(sectionsOf(*controller),
              (QStringList{"2024-01-01:late,n5,n6,n7,n8,n9,n2", "2024-01-02:new"}));
}

TEST_F(FetchedResultsControllerTest, NothingIsReportedBeforeTheFirstFetch)
{
    auto request = FetchRequest::forEntity(QStringLiteral("Note"));
    data::FetchedResultsController controller(request, m_main, QStringLiteral("day"));
    controller.setDelegate(&m_delegate);
    EXPECT_FALSE(controller.sections());
    EXPECT_FALSE(controller.fetchedObjects());
    EXPECT_FALSE(controller.object({0, 0}));
    change([](auto& c) { insertNote(c, "x"); });
    EXPECT_TRUE(m_delegate.calls.isEmpty());
    ASSERT_TRUE(controller.performFetch());
    EXPECT_EQ(controller.fetchedObjects()->size(), 1);
}
