#include "data/StoreSchema.h"

#include "data/DataError.h"

#include "foundation/Json.h"

#include <QtCore/QUuid>

namespace kesvor::data {

namespace {

constexpr auto metadataKey = "metadata";

QString metadataTableName()
{
    return EntityDescription::quoted(QString::fromLatin1(StoreSchema::metadataTable));
}

} // namespace

bool StoreSchema::create(SqliteDatabase& database, const ManagedObjectModel& model,
                         foundation::Error* error)
{
    if (!database.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS ") + metadataTableName() +
                           QStringLiteral(" (Z_KEY TEXT PRIMARY KEY, Z_VALUE TEXT)"),
                       error))
        return false;
    for (const auto& entity : model.entities())
        for (const QString& statement : entity->schemaStatements())
            if (!database.exec(statement, error))
                return false;
    StoreMetadata metadata = model.metadata();
    metadata.insert(StoreMetadataKey::storeUUID,
                    QUuid::createUuid().toString(QUuid::WithoutBraces));
    return writeMetadata(database, metadata, error);
}

bool StoreSchema::createIndexes(SqliteDatabase& database, const ManagedObjectModel& model,
                                foundation::Error* error)
{
    for (const auto& entity : model.entities())
        for (const QString& statement : entity->indexStatements())
            if (!database.exec(statement, error))
                return false;
    return true;
}

std::optional<StoreMetadata> StoreSchema::readMetadata(SqliteDatabase& database,
                                                       foundation::Error* error)
{
    const auto tableCount = database.queryValue(
        QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'")
            .arg(QLatin1String(metadataTable)),
        error);
    if (!tableCount)
        return std::nullopt;
    if (tableCount->toLongLong() == 0) {
        DataError::set(error, DataError::NotAStore,
                       database.path() + QStringLiteral(" is not a store of this kind"));
        return std::nullopt;
    }
    const auto text = database.queryValue(
        QStringLiteral("SELECT Z_VALUE FROM ") + metadataTableName() +
            QStringLiteral(" WHERE Z_KEY = '") + QLatin1String(metadataKey) + u'\'',
        error);
    if (!text)
        return std::nullopt;
    const auto decoded = foundation::Json::decode(text->toString().toUtf8());
    const auto map = decoded ? foundation::Json::asMap(*decoded) : std::nullopt;
    if (!map) {
        DataError::set(error, DataError::NotAStore,
                       database.path() + QStringLiteral(" has unreadable store metadata"));
        return std::nullopt;
    }
    return *map;
}

bool StoreSchema::writeMetadata(SqliteDatabase& database, const StoreMetadata& metadata,
                                foundation::Error* error)
{
    const auto json = foundation::Json::encode(metadata, error);
    if (!json)
        return false;
    auto statement =
        database.prepare(QStringLiteral("INSERT OR REPLACE INTO ") + metadataTableName() +
                             QStringLiteral(" (Z_KEY, Z_VALUE) VALUES (?, ?)"),
                         error);
    if (!statement)
        return false;
    statement->bindText(1, QString::fromLatin1(metadataKey));
    statement->bindText(2, QString::fromUtf8(*json));
    if (!statement->execute()) {
        if (error)
            *error = statement->lastError(QStringLiteral("write store metadata"));
        return false;
    }
    return true;
}

std::optional<bool> StoreSchema::isEmpty(SqliteDatabase& database, foundation::Error* error)
{
    const auto count = database.queryValue(
        QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), error);
    if (!count)
        return std::nullopt;
    return count->toLongLong() == 0;
}

} // namespace kesvor::data
