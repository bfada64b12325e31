#pragma once

#include "data/ManagedObjectContext.h"
#include "data/ManagedObjectModel.h"
#include "data/PersistentStoreCoordinator.h"

#include "foundation/Error.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace kesvor::data {

/// The usual store stack in one piece: a model, a coordinator with one
/// store, a main-thread view context and background contexts whose saves go
/// straight to the store.
class PersistentContainer {
public:
    using LoadCompletion = std::function<void(const PersistentStoreDescription& description,
                                              std::optional<foundation::Error> error)>;

    PersistentContainer(const QString& name, ManagedObjectModel::Ptr model);

    /// The platform's per-application data directory.
    static QString defaultDirectoryURL();

    QString name() const { return m_name; }
    ManagedObjectModel::Ptr managedObjectModel() const
    {
        return m_coordinator->managedObjectModel();
    }
    std::shared_ptr<PersistentStoreCoordinator> persistentStoreCoordinator() const
    {
        return m_coordinator;
    }

    /// By default one store at "<defaultDirectoryURL()>/<name>.sqlite".
    PersistentStoreDescription persistentStoreDescription() const { return m_description; }
    void setPersistentStoreDescription(const PersistentStoreDescription& description)
    {
        m_description = description;
    }

    /// Adds the store; completion runs before this returns, with the error
    /// when the store could not be added.
    void loadPersistentStores(const LoadCompletion& completion);

    /// The main-queue context, made on first use.
    std::shared_ptr<ManagedObjectContext> viewContext();
    /// A new private-queue context on every call.
    std::shared_ptr<ManagedObjectContext> newBackgroundContext() const;

private:
    QString m_name;
    std::shared_ptr<PersistentStoreCoordinator> m_coordinator;
    PersistentStoreDescription m_description;
    std::once_flag m_viewContextOnce;
    std::shared_ptr<ManagedObjectContext> m_viewContext;
};

} // namespace kesvor::data
