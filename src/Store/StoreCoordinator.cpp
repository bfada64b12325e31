#include "Store/StoreCoordinator.h"

#include "Store/StoreNames.h"

#include "Kesvor/KesvorBuildConfig.h"
#include "Kesvor/KesvorBundle.h"
#include "Kesvor/KesvorConfiguration.h"

#include "data/MappingModel.h"
#include "data/MigrationManager.h"
#include "data/PersistentContainer.h"
#include "data/StoreFiles.h"
#include "foundation/DebugLog.h"

namespace kesvor {

namespace {

std::shared_ptr<data::PersistentStoreCoordinator> failure(CoordinatorError reason,
                                                          foundation::Error* error)
{
    if (error)
        *error = CoordinatorErrors::toError(reason);
    return nullptr;
}

} // namespace

std::optional<QString> StoreCoordinator::defaultDirectryUrl(CoordinatorError* error)
{
    QString directory = KesvorConfiguration::dataDirectory();
    if (directory.isEmpty())
        directory = data::PersistentContainer::defaultDirectoryURL();
    if (directory.isEmpty()) {
        if (error)
            *error = CoordinatorError::storePathNotFound;
        return std::nullopt;
    }
    return directory;
}

QString StoreCoordinator::storePathComponent(const QString& name)
{
    return name + QStringLiteral(".sqlite");
}

void StoreCoordinator::migrateIfNeeded(const data::ManagedObjectModel::Ptr& forDestinationModel,
                                       const data::Bundle& bundle)
{
    CoordinatorError directoryError{};
    const auto directory = defaultDirectryUrl(&directoryError);
    if (!directory || !forDestinationModel) {
        KESVOR_DEBUG_LOG << (directory ? QStringLiteral("no destination model")
                                       : CoordinatorErrors::toError(directoryError).description);
        return;
    }
    const QString storeName = QString::fromLatin1(STORE_NAME);
    const QString storeURL = *directory + u'/' + storePathComponent(storeName);
    foundation::Error error;
    const auto metadata =
        data::PersistentStoreCoordinator::metadataForPersistentStore(storeURL, &error);
    if (!metadata) {
        KESVOR_DEBUG_LOG << error.description;
        return;
    }
    if (forDestinationModel->isConfigurationCompatibleWithStoreMetadata(*metadata))
        return;
    KESVOR_DEBUG_LOG << "Migration needed";

    const auto sourceModel = data::ManagedObjectModel::mergedModelFromBundles({bundle}, *metadata);
    const auto mappingModel =
        sourceModel ? data::MappingModel::fromBundles({bundle}, *sourceModel, *forDestinationModel)
                    : std::nullopt;
    if (!mappingModel) {
        KESVOR_DEBUG_LOG << "cannot migrate" << storeURL << "- the SDK has"
                         << (sourceModel ? "no mapping from its model" : "no model that wrote it");
        return;
    }
    const QString destinationURL = *directory + u'/' + storePathComponent(storeName + u'1');
    data::MigrationManager manager(sourceModel, forDestinationModel);
    if (!manager.migrateStore(storeURL, *mappingModel, destinationURL, &error) ||
        !data::StoreFiles::replace(storeURL, destinationURL, &error))
        KESVOR_DEBUG_LOG << error.description;
}

std::optional<data::Bundle> StoreCoordinator::bundle(const QString& identifier)
{
    KesvorBundle::path(QString()); // registers the SDK's resources
    return data::Bundle::withIdentifier(identifier);
}

std::shared_ptr<data::PersistentStoreCoordinator>
StoreCoordinator::coordinator(const QString& modelName, const QString& storeName,
                              foundation::Error* error)
{
    return coordinator(modelName, storeName, QString::fromLatin1(BUNDLE_NAME), error);
}

std::shared_ptr<data::PersistentStoreCoordinator>
StoreCoordinator::coordinator(const QString& modelName, const QString& storeName,
                              const QString& bundleIdentifier, foundation::Error* error)
{
    const auto bundle = StoreCoordinator::bundle(bundleIdentifier);
    if (!bundle)
        return failure(CoordinatorError::bundleNotFound, error);
    const auto modelURL = bundle->urlForResource(modelName, QStringLiteral("momd"));
    if (!modelURL)
        return failure(CoordinatorError::modelFileNotFound, error);
    const auto model = data::ManagedObjectModel::fromFile(*modelURL);
    if (!model)
        return failure(CoordinatorError::modelCreationError, error);

    migrateIfNeeded(model, *bundle);

    auto coordinator = std::make_shared<data::PersistentStoreCoordinator>(model);
    CoordinatorError directoryError{};
    const auto directory = defaultDirectryUrl(&directoryError);
    if (!directory)
        return failure(directoryError, error);
    data::PersistentStoreDescription description;
    description.url = *directory + u'/' + storePathComponent(storeName);
    description.shouldMigrateStoreAutomatically = true;
    description.shouldInferMappingModelAutomatically = true;
    description.modelBundles = {*bundle};
    if (!coordinator->addPersistentStore(description, error))
        return nullptr;
    KESVOR_DEBUG_LOG << "Core Data created successFully";
    return coordinator;
}

} // namespace kesvor
