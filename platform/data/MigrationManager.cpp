#include "data/MigrationManager.h"

#include "data/DataError.h"
#include "data/EntityQuery.h"
#include "data/SqliteDatabase.h"
#include "data/StoreFiles.h"
#include "data/StoreSchema.h"

namespace kesvor::data {

MigrationManager::MigrationManager(ManagedObjectModel::Ptr source,
                                   ManagedObjectModel::Ptr destination)
    : m_source(std::move(source))
    , m_destination(std::move(destination))
{
}

bool MigrationManager::migrateStore(const QString& sourcePath, const MappingModel& mapping,
                                    const QString& destinationPath, foundation::Error* error)
{
    if (!m_source || !m_destination) {
        DataError::set(error, DataError::MigrationFailed,
                       QStringLiteral("no source or destination model"));
        return false;
    }
    if (!mapping.validate(*m_source, *m_destination, error) ||
        !StoreFiles::remove(destinationPath, error))
        return false;
    bool migrated = false;
    {
        auto source = SqliteDatabase::open(sourcePath, SqliteDatabase::OpenMode::ReadWrite, error);
        auto destination =
            source ? SqliteDatabase::open(destinationPath,
                                          SqliteDatabase::OpenMode::ReadWriteCreate, error)
                   : nullptr;
        if (destination && destination->exec(QStringLiteral("PRAGMA journal_mode=DELETE"), error)) {
            SqliteTransaction transaction(*destination);
            migrated = transaction.begin(SqliteTransaction::Kind::Immediate, error) &&
                       StoreSchema::create(*destination, *m_destination, error);
            for (const EntityMapping& entityMapping : mapping.entityMappings)
                migrated = migrated && copyRows(*source, *destination, entityMapping, error);
            migrated = migrated && transaction.commit(error);
        }
    }
    if (!migrated)
        StoreFiles::remove(destinationPath, nullptr);
    return migrated;
}

bool MigrationManager::copyRows(SqliteDatabase& source, SqliteDatabase& destination,
                                const EntityMapping& mapping, foundation::Error* error)
{
    const auto from = m_source->entity(mapping.sourceEntity);
    const auto to = m_destination->entity(mapping.destinationEntity);
    auto select =
        source.prepare(QStringLiteral("SELECT ") + EntityQuery::columnList(*from) +
                           QStringLiteral(" FROM ") + EntityDescription::quoted(from->name()),
                       error);
    QStringList placeholders(to->attributes().size() + 1, QStringLiteral("?"));
    auto insert =
        destination.prepare(QStringLiteral("INSERT INTO ") + EntityDescription::quoted(to->name()) +
                                u'(' + EntityQuery::columnList(*to) + QStringLiteral(") VALUES (") +
                                placeholders.join(u',') + u')',
                            error);
    if (!select || !insert)
        return false;
    SqliteStatement::Step step;
    while ((step = select->step()) == SqliteStatement::Step::Row) {
        const AttributeValues values = EntityQuery::readValues(*from, *select);
        insert->reset();
        insert->bindInt64(1, select->columnInt64(0));
        for (qsizetype i = 0; i < to->attributes().size(); ++i) {
            const AttributeDescription& target = to->attributes()[i];
            const AttributeMapping* rule = mapping.mappingFor(target.name);
            const QString sourceName = rule ? rule->source : target.name;
            const int sourceIndex = from->indexOfAttribute(sourceName);
            QVariant value = sourceIndex >= 0 ? values[sourceIndex] : QVariant();
            if (!value.isValid() && rule)
                value = rule->defaultValue;
            const auto normalized = target.normalized(value);
            if (!normalized) {
                DataError::set(error, DataError::MigrationFailed,
                               QStringLiteral("%1.%2 cannot hold the value of %3")
                                   .arg(to->name(), target.name, sourceName));
                return false;
            }
            insert->bind(int(i) + 2, target.toStorage(*normalized));
        }
        if (!insert->execute()) {
            if (error)
                *error = insert->lastError(QStringLiteral("migrate ") + to->name());
            return false;
        }
    }
    if (step == SqliteStatement::Step::Error) {
        if (error)
            *error = select->lastError(QStringLiteral("read ") + from->name());
        return false;
    }
    return true;
}

} // namespace kesvor::data
