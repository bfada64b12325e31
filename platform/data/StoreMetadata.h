#pragma once

#include <QtCore/QVariantMap>

namespace kesvor::data {

/// What a store file records about itself: the model it was written with.
using StoreMetadata = QVariantMap;

/// Keys of StoreMetadata.
struct StoreMetadataKey {
    /// Hash of the model (ManagedObjectModel::versionHash()).
    static constexpr auto versionHash = "versionHash";
    /// The model's version identifier, for people reading the file.
    static constexpr auto versionIdentifier = "versionIdentifier";
    /// Entity name to entity hash.
    static constexpr auto entityHashes = "entityHashes";
    /// Always "SQLite".
    static constexpr auto storeType = "storeType";
    /// A random identifier given when the store file was created.
    static constexpr auto storeUUID = "storeUUID";
};

} // namespace kesvor::data
