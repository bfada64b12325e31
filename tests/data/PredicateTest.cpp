#include "data/DataTestFixture.h"

#include "data/DataError.h"
#include "data/Predicate.h"

#include <QtCore/QTimeZone>

using namespace kesvor;
using data::Predicate;

namespace {

class PredicateTest : public test::DataTestFixture {
protected:
    void SetUp() override
    {
        DataTestFixture::SetUp();
        auto context = newContext();
        const QDateTime base(QDate(2024, 1, 1), QTime(12, 0), QTimeZone::utc());
        int rank = 0;
        for (const char* title : {"alpha", "beta", "gamma", "delta", "it's"}) {
            auto note = insertNote(*context, QString::fromLatin1(title), QStringLiteral("d"), rank);
            note->setValue(base.addSecs(rank), QStringLiteral("at"));
            if (rank % 2 == 0)
                note->setValue(true, QStringLiteral("done"));
            ++rank;
        }
        ASSERT_TRUE(context->save());
    }

    // Titles of the notes the predicate selects, in storage order.
    QStringList select(const QString& format, const QVariantList& arguments = {})
    {
        foundation::Error error;
        auto predicate = Predicate::withFormat(format, arguments, &error);
        EXPECT_TRUE(predicate) << error.description.toStdString();
        auto request = data::FetchRequest::forEntity(QStringLiteral("Note"));
        request.predicate = predicate;
        const auto notes = newContext()->fetch(request, &error);
        EXPECT_TRUE(notes) << error.description.toStdString();
        QStringList titles;
        for (const auto& note : notes.value_or(QList<data::ObjectPtr>()))
            titles << note->value(QStringLiteral("title")).toString();
        return titles;
    }

    foundation::Error fetchError(const QString& format, const QVariantList& arguments)
    {
        auto request = data::FetchRequest::forEntity(QStringLiteral("Note"));
        request.predicate = Predicate::withFormat(format, arguments);
        foundation::Error error;
        EXPECT_FALSE(newContext()->fetch(request, &error));
        return error;
    }
};

QDateTime at(int offsetMs)
{
    return QDateTime(QDate(2024, 1, 1), QTime(12, 0), QTimeZone::utc()).addMSecs(offsetMs);
}

// One argument holding a list (a braced list alone would be the arguments).
QVariant list(const QVariantList& values)
{
    return values;
}

} // namespace

TEST_F(PredicateTest, ComparisonsAndLogicSelectTheRightObjects)
{
    EXPECT_EQ(select("title == %@", {"beta"}), QStringList{"beta"});
    EXPECT_EQ(select("title = 'beta' OR title == \"delta\""), (QStringList{"beta", "delta"}));
    EXPECT_EQ(select("rank >= 3"), (QStringList{"delta", "it's"}));
    EXPECT_EQ(select("2 > rank"), (QStringList{"alpha", "beta"}));
    EXPECT_EQ(select("rank != 1 AND rank <> 2 && rank < 4"), (QStringList{"alpha", "delta"}));
    EXPECT_EQ(select("rank =< 0 || rank => 4"), (QStringList{"alpha", "it's"}));
    EXPECT_EQ(select("NOT (rank > 0)"), QStringList{"alpha"});
    EXPECT_EQ(select("!(rank > 0) OR rank == 4"), (QStringList{"alpha", "it's"}));
    // AND binds tighter than OR.
    EXPECT_EQ(select("rank == 0 OR rank == 1 AND title == 'gamma'"), QStringList{"alpha"});
    EXPECT_EQ(select("(rank == 0 OR rank == 1) AND title == 'beta'"), QStringList{"beta"});
    EXPECT_EQ(select("%K == %@", {"title", "gamma"}), QStringList{"gamma"});
    EXPECT_EQ(select("done == YES"), (QStringList{"alpha", "gamma", "it's"}));
    EXPECT_EQ(select("done == nil"), (QStringList{"beta", "delta"}));
    EXPECT_EQ(select("done != NULL AND done == TRUE AND rank > 0"), (QStringList{"gamma", "it's"}));
    EXPECT_EQ(select("TRUEPREDICATE").size(), 5);
    EXPECT_TRUE(select("FALSEPREDICATE").isEmpty());
    EXPECT_TRUE(select("rank < nil").isEmpty());
}

TEST_F(PredicateTest, InstantsMatchToTheMillisecond)
{
    EXPECT_EQ(select("at == %@", {at(2000)}), QStringList{"gamma"});
    EXPECT_EQ(select("at == %@", {at(2000).toTimeZone(QTimeZone("Asia/Kolkata"))}),
              QStringList{"gamma"});
    EXPECT_TRUE(select("at == %@", {at(2001)}).isEmpty());
    EXPECT_TRUE(select("at == %@", {at(1999)}).isEmpty());
    EXPECT_EQ(select("at > %@ AND at <= %@", {at(2000), at(4000)}), (QStringList{"delta", "it's"}));
}

TEST_F(PredicateTest, ArgumentsAreValuesNeverStatementText)
{
    EXPECT_EQ(select("title == %@", {"it's"}), QStringList{"it's"});
    EXPECT_TRUE(select("title == %@", {"x' OR '1'='1"}).isEmpty());
    EXPECT_TRUE(select("title == %@", {"beta\" OR 1=1 --"}).isEmpty());
    EXPECT_EQ(storedTitles().size(), 5);
}

TEST_F(PredicateTest, MalformedFormatsAndMismatchedArgumentsAreRefused)
{
    for (const char* format : {"", "title ==", "== 'a'", "(title == 'a'", "title == 'a')",
                               "title == 'a' AND", "title 'a'", "title == 'a", "title ~ 'a'",
                               "title == title", "'a' == 'b'", "title == 'a' OR OR rank == 1"}) {
        foundation::Error error;
        EXPECT_FALSE(Predicate::withFormat(QString::fromLatin1(format), {}, &error)) << format;
        EXPECT_EQ(error.code, data::DataError::InvalidPredicate) << format;
    }
    EXPECT_FALSE(Predicate::withFormat("title == %@", {}));
    EXPECT_FALSE(Predicate::withFormat("title == %@", {"a", "b"}));
    EXPECT_TRUE(Predicate::withFormat("title == %@", {"a"}));
}

TEST_F(PredicateTest, InListsMatchAnyOfTheirValues)
{
    EXPECT_EQ(select("title IN %@", {list({"gamma", "alpha", "omega"})}),
              (QStringList{"alpha", "gamma"}));
    EXPECT_EQ(select("title IN %@", {QVariant(QStringList{"it's", "x\" OR 1=1 --", "a\\b\n"})}),
              QStringList{"it's"});
    EXPECT_EQ(select("at IN %@ OR rank IN %@", {list({at(1000), at(1001)}), list({4})}),
              (QStringList{"beta", "it's"}));
    EXPECT_TRUE(select("title IN %@", {list({})}).isEmpty());
    EXPECT_EQ(select("NOT (rank IN %@)", {list({0, 1, 2})}), (QStringList{"delta", "it's"}));
    // Lists of every length, also long ones.
    for (const int length : {1, 2, 5, 1024, 1025, 3000}) {
        QVariantList titles;
        for (int i = 0; i < length - 1; ++i)
            titles << QStringLiteral("other %1").arg(i);
        titles << QStringLiteral("delta");
        EXPECT_EQ(select("title IN %@ OR rank IN %@", {list(titles), list({0})}),
                  (QStringList{"alpha", "delta"}))
            << length;
    }

    auto request = data::FetchRequest::forEntity(QStringLiteral("Note"));
    request.predicate = Predicate::withFormat("title IN %@ OR rank IN %@",
                                              {list({"alpha", "beta", "zeta"}), list({4})});
    EXPECT_EQ(newContext()->count(request), 3);
    const auto deleted = m_coordinator->execute(data::BatchDeleteRequest{request}, *newContext());
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->size(), 3);
    EXPECT_EQ(storedTitles(), (QStringList{"gamma", "delta"}));

    EXPECT_EQ(fetchError("title IN %@", {"alpha"}).code, data::DataError::InvalidValue);
    EXPECT_EQ(fetchError("title IN %@", {list({"alpha", 3})}).code, data::DataError::InvalidValue);
    EXPECT_EQ(fetchError("at IN %@", {list({QDateTime()})}).code, data::DataError::InvalidValue);
}

TEST_F(PredicateTest, PredicatesThatDoNotFitTheEntityFailTheFetch)
{
    EXPECT_EQ(fetchError("colour == %@", {"red"}).code, data::DataError::UnknownAttribute);
    EXPECT_EQ(fetchError("rank == %@", {"three"}).code, data::DataError::InvalidValue);
    EXPECT_EQ(fetchError("at == %@", {"2024-01-01"}).code, data::DataError::InvalidValue);
    EXPECT_EQ(fetchError("title == %@", {42}).code, data::DataError::InvalidValue);
    EXPECT_EQ(fetchError("body == %@", {QVariantMap()}).code, data::DataError::InvalidPredicate);
}

TEST_F(PredicateTest, AnOrOfIndexedLookupsIsAnsweredByTheIndexAndCountsAlike)
{
    auto request = data::FetchRequest::forEntity("Note");
    request.predicate = Predicate::withFormat(
        "title == %@ OR (title == %@ AND rank > 0) OR title == %@", {"alpha", "beta", "alpha"});
    const auto plan = newContext()->queryPlan(request);
    ASSERT_TRUE(plan);
    EXPECT_FALSE(plan->contains("SCAN")) << plan->toStdString();
    EXPECT_EQ(newContext()->count(request), 2); // a row matching twice counts once
    request.sortDescriptors = {{"rank", false}};
    request.fetchLimit = 1;
    const auto notes = newContext()->fetch(request);
    ASSERT_TRUE(notes);
    ASSERT_EQ(notes->size(), 1);
    EXPECT_EQ(notes->first()->value("title"), "beta");

    // Restricted to given objects, and deleted in one go.
    auto context = newContext();
    const auto all = *context->fetch(data::FetchRequest::forEntity("Note"));
    request = data::FetchRequest::forEntity("Note");
    request.predicate = Predicate::withFormat("title == %@ OR title == %@", {"alpha", "gamma"});
    request.objectIDs = QList<data::ObjectID>{all[0]->objectID(), all[1]->objectID()};
    EXPECT_EQ(context->count(request), 1);
    request.objectIDs.reset();
    const auto deleted = m_coordinator->execute(data::BatchDeleteRequest{request}, *context);
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->size(), 2);
    EXPECT_EQ(storedTitles(), (QStringList{"beta", "delta", "it's"}));
}
