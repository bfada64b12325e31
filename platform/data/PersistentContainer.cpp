#include "data/PersistentContainer.h"

#include <QtCore/QStandardPaths>

namespace kesvor::data {

PersistentContainer::PersistentContainer(const QString& name, ManagedObjectModel::Ptr model)
    : m_name(name)
    , m_coordinator(std::make_shared<PersistentStoreCoordinator>(std::move(model)))
{
    const QString directory = defaultDirectoryURL();
    if (!directory.isEmpty())
        m_description.url = directory + u'/' + name + QStringLiteral(".sqlite");
}

QString PersistentContainer::defaultDirectoryURL()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

void PersistentContainer::loadPersistentStores(const LoadCompletion& completion)
{
    foundation::Error error;
    const bool added = m_coordinator->addPersistentStore(m_description, &error);
    if (completion)
        completion(m_description, added ? std::nullopt : std::optional(error));
}

std::shared_ptr<ManagedObjectContext> PersistentContainer::viewContext()
{
    std::call_once(m_viewContextOnce, [this] {
        m_viewContext = ManagedObjectContext::create(
            ManagedObjectContext::ConcurrencyType::MainQueue, m_coordinator);
    });
    return m_viewContext;
}

std::shared_ptr<ManagedObjectContext> PersistentContainer::newBackgroundContext() const
{
    return ManagedObjectContext::create(ManagedObjectContext::ConcurrencyType::PrivateQueue,
                                        m_coordinator);
}

} // namespace kesvor::data
