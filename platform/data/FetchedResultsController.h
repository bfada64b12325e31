#pragma once

#include "data/FetchRequest.h"
#include "data/IndexPath.h"
#include "data/ManagedObject.h"
#include "data/ManagedObjectContext.h"

#include "foundation/Error.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <memory>
#include <optional>
#include <vector>

namespace kesvor::data {

class FetchedResultsController;

enum class FetchedResultsChangeType { Insert, Delete, Move, Update };

/// One section of fetched results: consecutive objects with the same value
/// of the section key.
struct FetchedResultsSectionInfo {
    QString name;
    int numberOfObjects = 0;
    QList<ObjectPtr> objects;
};

/// Told how the results changed after a save or merge. Within one change
/// set: controllerWillChangeContent, then section deletions and insertions,
/// then object deletions (old index paths), insertions (new index paths),
/// updates and moves (old and new index paths), then controllerDidChangeContent.
/// An object inserted with its section is reported with both; so is one
/// deleted with its section.
class FetchedResultsControllerDelegate {
public:
    virtual ~FetchedResultsControllerDelegate() = default;
    virtual void controllerWillChangeContent(FetchedResultsController&) {}
    virtual void controllerDidChangeSection(FetchedResultsController&,
                                            const FetchedResultsSectionInfo& /*section*/,
                                            int /*sectionIndex*/, FetchedResultsChangeType)
    {
    }
    virtual void controllerDidChangeObject(FetchedResultsController&, const ObjectPtr& /*object*/,
                                           std::optional<IndexPath> /*indexPath*/,
                                           FetchedResultsChangeType,
                                           std::optional<IndexPath> /*newIndexPath*/)
    {
    }
    virtual void controllerDidChangeContent(FetchedResultsController&) {}
};

/// Keeps the results of a fetch request on a main-queue context current,
/// grouped into sections by the section key (which must be the first sort
/// key). Objects inserted into the store after the fetch join the results
/// wherever they sort, also when the request skips older objects with a fetch
/// offset; updated objects outside the results join only when they sort after
/// the first result. Main thread only.
class FetchedResultsController {
public:
    FetchedResultsController(FetchRequest request, std::shared_ptr<ManagedObjectContext> context,
                             QString sectionNameKeyPath = {}, QString cacheName = {});
    ~FetchedResultsController();
    FetchedResultsController(const FetchedResultsController&) = delete;
    FetchedResultsController& operator=(const FetchedResultsController&) = delete;

    /// Changes to the request (such as its fetch offset) apply at the next performFetch().
    FetchRequest& fetchRequest() { return m_request; }
    const FetchRequest& fetchRequest() const { return m_request; }
    std::shared_ptr<ManagedObjectContext> managedObjectContext() const { return m_context; }
    QString sectionNameKeyPath() const { return m_sectionNameKeyPath; }
    QString cacheName() const { return m_cacheName; }

    FetchedResultsControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(FetchedResultsControllerDelegate* delegate) { m_delegate = delegate; }

    /// Runs the request. On failure the previous results stay.
    bool performFetch(foundation::Error* error = nullptr);

    /// Nothing before the first successful performFetch().
    std::optional<QList<ObjectPtr>> fetchedObjects() const;
    const std::optional<QList<FetchedResultsSectionInfo>>& sections() const { return m_sections; }
    /// Null for an index path outside the results.
    ObjectPtr object(const IndexPath& indexPath) const;
    std::optional<IndexPath> indexPath(const ObjectPtr& object) const;

private:
    void contextDidChange(const ObjectChanges& changes);
    std::vector<ObjectPtr> updatedResults(const ObjectChanges& changes);
    void sort(std::vector<ObjectPtr>& objects) const;
    bool sortsBefore(const ObjectPtr& a, const ObjectPtr& b) const;
    QString sectionName(const ObjectPtr& object) const;
    QList<FetchedResultsSectionInfo> makeSections(const std::vector<ObjectPtr>& objects) const;
    void report(const std::vector<ObjectPtr>& before, const std::vector<ObjectPtr>& after,
                const QList<FetchedResultsSectionInfo>& oldSections, const ObjectChanges& changes);

    FetchRequest m_request;
    std::shared_ptr<ManagedObjectContext> m_context;
    QString m_sectionNameKeyPath;
    QString m_cacheName;
    FetchedResultsControllerDelegate* m_delegate = nullptr;
    quint64 m_observerToken = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_fetched = false;
    quint64 m_fetchedSequence = 0; // every save up to this one is in the results
    std::vector<ObjectPtr> m_objects;
    std::optional<QList<FetchedResultsSectionInfo>> m_sections;
};

} // namespace kesvor::data
