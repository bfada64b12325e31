#pragma once

#include "data/ManagedObjectModel.h"
#include "data/MappingModel.h"
#include "data/SqliteDatabase.h"

#include "foundation/Error.h"

namespace kesvor::data {

/// Copies a store written with one model version into a new store file of
/// another, row by row through a mapping.
class MigrationManager {
public:
    MigrationManager(ManagedObjectModel::Ptr source, ManagedObjectModel::Ptr destination);

    /// Writes the migrated store to destinationPath (an older file there, and
    /// its side files, are replaced) as one self-contained file without side
    /// files. The source store is only read. On failure nothing is left at
    /// destinationPath.
    bool migrateStore(const QString& sourcePath, const MappingModel& mapping,
                      const QString& destinationPath, foundation::Error* error = nullptr);

private:
    bool copyRows(SqliteDatabase& source, SqliteDatabase& destination, const EntityMapping& mapping,
                  foundation::Error* error);

    ManagedObjectModel::Ptr m_source;
    ManagedObjectModel::Ptr m_destination;
};

} // namespace kesvor::data
