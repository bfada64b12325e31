#pragma once

#include "Store/CoordinatorError.h"

#include "data/Bundle.h"
#include "data/ManagedObjectModel.h"
#include "data/PersistentStoreCoordinator.h"

#include "foundation/Error.h"

#include <QtCore/QString>

#include <memory>
#include <optional>

namespace kesvor {

/// Where the message store lives and how it is brought up to date.
class StoreCoordinator {
public:
    /// KESVOR_DATA_DIR when set, else the platform's per-application data
    /// directory; storePathNotFound when there is none.
    static std::optional<QString> defaultDirectryUrl(CoordinatorError* error = nullptr);

    /// "<name>.sqlite".
    static QString storePathComponent(const QString& name);

    /// Migrates the store "kesvor.sqlite" in one step from whatever model
    /// version wrote it to forDestinationModel, through the mapping in bundle.
    /// Never fails: every problem ends it with a debug diagnostic, leaving the
    /// existing store as it was.
    static void migrateIfNeeded(const data::ManagedObjectModel::Ptr& forDestinationModel,
                                const data::Bundle& bundle);

    /// A coordinator with the store storeName, for the model modelName of the
    /// SDK's resource bundle (migrated first when needed). Errors: the
    /// CoordinatorError cases, or the store's own error.
    static std::shared_ptr<data::PersistentStoreCoordinator>
    coordinator(const QString& modelName, const QString& storeName,
                foundation::Error* error = nullptr);

    /// The same with the model taken from the bundle bundleIdentifier.
    static std::shared_ptr<data::PersistentStoreCoordinator>
    coordinator(const QString& modelName, const QString& storeName, const QString& bundleIdentifier,
                foundation::Error* error);

    /// The compiled-in resource bundle with this identifier (BUNDLE_NAME for
    /// the SDK's own), or nothing.
    static std::optional<data::Bundle> bundle(const QString& identifier);
};

} // namespace kesvor
