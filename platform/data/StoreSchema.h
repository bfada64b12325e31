#pragma once

#include "data/ManagedObjectModel.h"
#include "data/SqliteDatabase.h"
#include "data/StoreMetadata.h"

#include "foundation/Error.h"

#include <optional>

namespace kesvor::data {

/// The tables of a store file: one per entity, plus "Z_METADATA", which
/// records the model the file was written with.
class StoreSchema {
public:
    static constexpr auto metadataTable = "Z_METADATA";

    /// Creates the tables and indexes of model and records its metadata
    /// (with a new store identifier). Runs inside the caller's transaction.
    static bool create(SqliteDatabase& database, const ManagedObjectModel& model,
                       foundation::Error* error = nullptr);

    /// Creates indexes the model declares and the file lacks.
    static bool createIndexes(SqliteDatabase& database, const ManagedObjectModel& model,
                              foundation::Error* error = nullptr);

    /// The recorded metadata. Fails for a file that is no database, a database
    /// of another kind and an empty one (which isEmpty() tells apart).
    static std::optional<StoreMetadata> readMetadata(SqliteDatabase& database,
                                                     foundation::Error* error = nullptr);
    static bool writeMetadata(SqliteDatabase& database, const StoreMetadata& metadata,
                              foundation::Error* error = nullptr);

    /// True for a database without any table (a new, zero-length file).
    static std::optional<bool> isEmpty(SqliteDatabase& database,
                                       foundation::Error* error = nullptr);
};

} // namespace kesvor::data
