#include "data/DataTestFixture.h"

namespace kesvor::test {

QByteArray DataTestFixture::notesModelJson(const QString& version, const QString& extraAttribute)
{
    QString extra;
    if (!extraAttribute.isEmpty())
        extra = QStringLiteral(", {\"name\": \"%1\", \"type\": \"string\"}").arg(extraAttribute);
    return QStringLiteral(R"({
        "versionIdentifier": "%1",
        "entities": [ {
            "name": "Note",
            "attributes": [
                { "name": "title", "type": "string" },
                { "name": "day", "type": "string" },
                { "name": "at", "type": "date" },
                { "name": "rank", "type": "integer" },
                { "name": "score", "type": "double" },
                { "name": "done", "type": "boolean" },
                { "name": "body", "type": "transformable" }%2
            ],
            "indexes": [ { "name": "byTitle", "properties": ["title"] } ]
        } ]
    })")
        .arg(version, extra)
        .toUtf8();
}

data::ManagedObjectModel::Ptr DataTestFixture::notesModel(const QString& version,
                                                          const QString& extraAttribute)
{
    foundation::Error error;
    auto model =
        data::ManagedObjectModel::fromJson(notesModelJson(version, extraAttribute), &error);
    EXPECT_TRUE(model) << error.description.toStdString();
    return model;
}

void DataTestFixture::SetUp()
{
    ASSERT_TRUE(m_directory.isValid());
    m_coordinator = openStore();
    ASSERT_TRUE(m_coordinator);
}

std::shared_ptr<data::PersistentStoreCoordinator>
DataTestFixture::openStore(data::ManagedObjectModel::Ptr model)
{
    auto coordinator =
        std::make_shared<data::PersistentStoreCoordinator>(model ? model : notesModel());
    data::PersistentStoreDescription description;
    description.url = storePath();
    foundation::Error error;
    if (!coordinator->addPersistentStore(description, &error)) {
        ADD_FAILURE() << error.description.toStdString();
        return nullptr;
    }
    return coordinator;
}

std::shared_ptr<data::ManagedObjectContext>
DataTestFixture::newContext(data::ManagedObjectContext::ConcurrencyType type)
{
    return data::ManagedObjectContext::create(type, m_coordinator);
}

data::ObjectPtr DataTestFixture::insertNote(data::ManagedObjectContext& context,
                                            const QString& title, const QString& day,
                                            qlonglong rank)
{
    auto note = context.insertNewObject(QStringLiteral("Note"));
    EXPECT_TRUE(note);
    note->setValue(title, QStringLiteral("title"));
    note->setValue(day, QStringLiteral("day"));
    note->setValue(rank, QStringLiteral("rank"));
    return note;
}

QStringList DataTestFixture::storedTitles()
{
    auto context = newContext();
    QStringList titles;
    const auto notes = context->fetch(data::FetchRequest::forEntity(QStringLiteral("Note")));
    EXPECT_TRUE(notes);
    for (const auto& note : notes.value_or(QList<data::ObjectPtr>()))
        titles << note->value(QStringLiteral("title")).toString();
    return titles;
}

} // namespace kesvor::test
