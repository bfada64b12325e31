#include "data/FetchedResultsController.h"

#include "data/ValueComparison.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtCore/QHash>
#include <QtCore/QSet>

namespace kesvor::data {

namespace {

using Positions = QHash<const ManagedObject*, IndexPath>;

Positions positionsOf(const QList<FetchedResultsSectionInfo>& sections)
{
    Positions positions;
    for (int s = 0; s < sections.size(); ++s)
        for (int i = 0; i < sections[s].objects.size(); ++i)
            positions.insert(sections[s].objects[i].get(), IndexPath{s, i});
    return positions;
}

// For each changed object present in both lists: how many unchanged objects
// present in both lists come before it. A different count means it moved.
QHash<const ManagedObject*, int> stableObjectsBefore(const std::vector<ObjectPtr>& objects,
                                                     const Positions& other,
                                                     const QSet<ObjectID>& changed)
{
    QHash<const ManagedObject*, int> counts;
    int stable = 0;
    for (const ObjectPtr& object : objects) {
        if (!other.contains(object.get()))
            continue;
        if (changed.contains(object->objectID()))
            counts.insert(object.get(), stable);
        else
            ++stable;
    }
    return counts;
}

} // namespace

FetchedResultsController::FetchedResultsController(FetchRequest request,
                                                   std::shared_ptr<ManagedObjectContext> context,
                                                   QString sectionNameKeyPath, QString cacheName)
    : m_request(std::move(request))
    , m_context(std::move(context))
    , m_sectionNameKeyPath(std::move(sectionNameKeyPath))
    , m_cacheName(std::move(cacheName))
{
    std::weak_ptr<bool> alive = m_alive;
    m_observerToken = m_context->addChangeObserver([this, alive](const ObjectChanges& changes) {
        if (!alive.expired())
            contextDidChange(changes);
    });
}

FetchedResultsController::~FetchedResultsController()
{
    m_context->removeChangeObserver(m_observerToken);
}

bool FetchedResultsController::performFetch(foundation::Error* error)
{
    KESVOR_ASSERT_MAIN_THREAD();
    const quint64 sequence = m_context->persistentStoreCoordinator()->saveSequence();
    const auto objects = m_context->fetch(m_request, error);
    if (!objects)
        return false;
    m_objects.assign(objects->cbegin(), objects->cend());
    m_sections = makeSections(m_objects);
    m_fetched = true;
    m_fetchedSequence = sequence;
    return true;
}

std::optional<QList<ObjectPtr>> FetchedResultsController::fetchedObjects() const
{
    if (!m_fetched)
        return std::nullopt;
    return QList<ObjectPtr>(m_objects.cbegin(), m_objects.cend());
}

ObjectPtr FetchedResultsController::object(const IndexPath& indexPath) const
{
    if (!m_sections || indexPath.section < 0 || indexPath.section >= m_sections->size())
        return nullptr;
    const auto& objects = (*m_sections)[indexPath.section].objects;
    if (indexPath.item < 0 || indexPath.item >= objects.size())
        return nullptr;
    return objects[indexPath.item];
}

std::optional<IndexPath> FetchedResultsController::indexPath(const ObjectPtr& object) const
{
    if (!m_sections)
        return std::nullopt;
    for (int s = 0; s < m_sections->size(); ++s) {
        const int item = int((*m_sections)[s].objects.indexOf(object));
        if (item >= 0)
            return IndexPath{s, item};
    }
    return std::nullopt;
}

QString FetchedResultsController::sectionName(const ObjectPtr& object) const
{
    return m_sectionNameKeyPath.isEmpty() ? QString()
                                          : object->value(m_sectionNameKeyPath).toString();
}

QList<FetchedResultsSectionInfo>
FetchedResultsController::makeSections(const std::vector<ObjectPtr>& objects) const
{
    QList<FetchedResultsSectionInfo> sections;
    for (const ObjectPtr& object : objects) {
        const QString name = sectionName(object);
        if (sections.isEmpty() || sections.last().name != name)
            sections.append(FetchedResultsSectionInfo{name, 0, {}});
        sections.last().objects << object;
        ++sections.last().numberOfObjects;
    }
    return sections;
}

bool FetchedResultsController::sortsBefore(const ObjectPtr& a, const ObjectPtr& b) const
{
    for (const SortDescriptor& sort : m_request.sortDescriptors) {
        const int order = compareValues(a->value(sort.key), b->value(sort.key));
        if (order != 0)
            return sort.ascending ? order < 0 : order > 0;
    }
    return a->objectID().primaryKey < b->objectID().primaryKey;
}

void FetchedResultsController::sort(std::vector<ObjectPtr>& objects) const
{
    std::stable_sort(objects.begin(), objects.end(),
                     [this](const ObjectPtr& a, const ObjectPtr& b) { return sortsBefore(a, b); });
}

void FetchedResultsController::contextDidChange(const ObjectChanges& changes)
{
    if (!m_fetched)
        return;
    ObjectChanges effective = changes;
    // What a save the fetch already saw inserted is in the results, or was
    // left out by the offset on purpose; a late merge of it changes nothing.
    if (changes.sequence != 0 && changes.sequence <= m_fetchedSequence)
        effective.inserted.clear();
    const std::vector<ObjectPtr> before = m_objects;
    const QList<FetchedResultsSectionInfo> oldSections = *m_sections;
    m_objects = updatedResults(effective);
    m_sections = makeSections(m_objects);
    report(before, m_objects, oldSections, effective);
}

std::vector<ObjectPtr> FetchedResultsController::updatedResults(const ObjectChanges& changes)
{
    QList<ObjectID> touched;
    for (const ObjectID& id : changes.inserted + changes.updated)
        if (id.entityName == m_request.entityName)
            touched << id;
    QList<ObjectPtr> matching;
    if (!touched.isEmpty()) {
        FetchRequest probe = m_request;
        probe.objectIDs = touched;
        probe.fetchOffset = 0;
        probe.fetchLimit = 0;
        foundation::Error error;
        if (auto found = m_context->fetch(probe, &error))
            matching = *found;
        else
            KESVOR_DEBUG_LOG << "FetchedResultsController: cannot refetch changes:"
                             << error.description;
    }
    const QSet<ObjectID> deleted(changes.deleted.cbegin(), changes.deleted.cend());
    const QSet<ObjectID> touchedIds(touched.cbegin(), touched.cend());
    QSet<const ManagedObject*> matchingSet;
    for (const ObjectPtr& object : matching)
        matchingSet.insert(object.get());

    std::vector<ObjectPtr> results;
    QSet<const ManagedObject*> present;
    for (const ObjectPtr& object : m_objects) {
        const ObjectID id = object->objectID();
        if (deleted.contains(id) || !object->managedObjectContext() ||
            (touchedIds.contains(id) && !matchingSet.contains(object.get())))
            continue;
        results.push_back(object);
        present.insert(object.get());
    }
    const ObjectPtr first = m_objects.empty() ? nullptr : m_objects.front();
    const QSet<ObjectID> inserted(changes.inserted.cbegin(), changes.inserted.cend());
    for (const ObjectPtr& object : matching) {
        if (present.contains(object.get()))
            continue;
        const bool joins = inserted.contains(object->objectID()) || m_request.fetchOffset == 0 ||
                           !first || !sortsBefore(object, first);
        if (joins)
            results.push_back(object);
    }
    sort(results);
    return results;
}

void FetchedResultsController::report(const std::vector<ObjectPtr>& before,
                                      const std::vector<ObjectPtr>& after,
                                      const QList<FetchedResultsSectionInfo>& oldSections,
                                      const ObjectChanges& changes)
{
    const QList<FetchedResultsSectionInfo>& newSections = *m_sections;
    const Positions oldPositions = positionsOf(oldSections);
    const Positions newPositions = positionsOf(newSections);
    QStringList oldNames;
    QStringList newNames;
    for (const auto& section : oldSections)
        oldNames << section.name;
    for (const auto& section : newSections)
        newNames << section.name;

    QList<int> deletedSections;
    QList<int> insertedSections;
    for (int s = 0; s < oldSections.size(); ++s)
        if (!newNames.contains(oldSections[s].name))
            deletedSections << s;
    for (int s = 0; s < newSections.size(); ++s)
        if (!oldNames.contains(newSections[s].name))
            insertedSections << s;

    QList<ObjectID> changedIds = changes.inserted + changes.updated;
    const QSet<ObjectID> changed(changedIds.cbegin(), changedIds.cend());
    const auto stableBefore = stableObjectsBefore(before, newPositions, changed);
    const auto stableAfter = stableObjectsBefore(after, oldPositions, changed);

    struct ObjectChange {
        ObjectPtr object;
        std::optional<IndexPath> from;
        FetchedResultsChangeType type;
        std::optional<IndexPath> to;
    };
    QList<ObjectChange> objectChanges;
    for (const ObjectPtr& object : before)
        if (!newPositions.contains(object.get()))
            objectChanges.append({object, oldPositions.value(object.get()),
                                  FetchedResultsChangeType::Delete, std::nullopt});
    for (const ObjectPtr& object : after)
        if (!oldPositions.contains(object.get()))
            objectChanges.append({object, std::nullopt, FetchedResultsChangeType::Insert,
                                  newPositions.value(object.get())});
    QList<ObjectChange> moves;
    for (const ObjectPtr& object : after) {
        if (!oldPositions.contains(object.get()) || !changed.contains(object->objectID()))
            continue;
        const IndexPath from = oldPositions.value(object.get());
        const IndexPath to = newPositions.value(object.get());
        const bool moved = oldSections[from.section].name != newSections[to.section].name ||
                           stableBefore.value(object.get()) != stableAfter.value(object.get());
        (moved ? moves : objectChanges)
            .append({object, from,
                     moved ? FetchedResultsChangeType::Move : FetchedResultsChangeType::Update,
                     to});
    }
    objectChanges << moves;

    if (!m_delegate ||
        (deletedSections.isEmpty() && insertedSections.isEmpty() && objectChanges.isEmpty()))
        return;
    m_delegate->controllerWillChangeContent(*this);
    for (int s : deletedSections)
        m_delegate->controllerDidChangeSection(*this, oldSections[s], s,
                                               FetchedResultsChangeType::Delete);
    for (int s : insertedSections)
        m_delegate->controllerDidChangeSection(*this, newSections[s], s,
                                               FetchedResultsChangeType::Insert);
    for (const ObjectChange& change : objectChanges)
        m_delegate->controllerDidChangeObject(*this, change.object, change.from, change.type,
                                              change.to);
    m_delegate->controllerDidChangeContent(*this);
}

} // namespace kesvor::data
