#include "ui/CollectionViewUpdate.h"

#include <set>

#include <algorithm>

namespace kesvor::ui {

namespace {

template <typename T> void sortUnique(QList<T>& list)
{
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
}

bool contains(const QList<int>& sortedList, int value)
{
    return std::binary_search(sortedList.begin(), sortedList.end(), value);
}

bool inRange(const IndexPath& indexPath, const std::vector<int>& counts)
{
    return indexPath.section >= 0 && indexPath.section < static_cast<int>(counts.size()) &&
           indexPath.item >= 0 && indexPath.item < counts[static_cast<size_t>(indexPath.section)];
}

QString describe(const IndexPath& indexPath)
{
    return QStringLiteral("[%1, %2]").arg(indexPath.section).arg(indexPath.item);
}

// Items of one section that leave it or arrive in it, sorted.
std::vector<std::vector<int>> bySection(const QList<IndexPath>& indexPaths, size_t sections)
{
    std::vector<std::vector<int>> result(sections);
    for (const IndexPath& indexPath : indexPaths)
        result[static_cast<size_t>(indexPath.section)].push_back(indexPath.item);
    for (auto& items : result)
        std::sort(items.begin(), items.end());
    return result;
}

} // namespace

void CollectionViewUpdate::insertSections(const QList<int>& sections)
{
    m_insertedSections += sections;
}

void CollectionViewUpdate::deleteSections(const QList<int>& sections)
{
    m_deletedSections += sections;
}

void CollectionViewUpdate::insertItems(const QList<IndexPath>& indexPaths)
{
    m_inserted += indexPaths;
}

void CollectionViewUpdate::deleteItems(const QList<IndexPath>& indexPaths)
{
    m_deleted += indexPaths;
}

void CollectionViewUpdate::reloadItems(const QList<IndexPath>& indexPaths)
{
    m_reloaded += indexPaths;
}

void CollectionViewUpdate::moveItem(const IndexPath& from, const IndexPath& to)
{
    m_moves.append(Move{from, to});
}

bool CollectionViewUpdate::isEmpty() const
{
    return m_insertedSections.isEmpty() && m_deletedSections.isEmpty() && m_inserted.isEmpty() &&
           m_deleted.isEmpty() && m_reloaded.isEmpty() && m_moves.isEmpty();
}

bool CollectionViewUpdate::resolve(const std::vector<int>& oldCounts,
                                   const std::vector<int>& newCounts, QString* problem)
{
    if (!mapSections(static_cast<int>(oldCounts.size()), static_cast<int>(newCounts.size()),
                     problem) ||
        !normalize(oldCounts, newCounts, problem) || !mapItems(oldCounts, newCounts, problem))
        return false;
    findFirstChange();
    return true;
}

bool CollectionViewUpdate::mapSections(int oldCount, int newCount, QString* problem)
{
    sortUnique(m_insertedSections);
    sortUnique(m_deletedSections);
    for (int section : m_deletedSections)
        if (section < 0 || section >= oldCount) {
            *problem = QStringLiteral("deleting section %1 of %2").arg(section).arg(oldCount);
            return false;
        }
    for (int section : m_insertedSections)
        if (section < 0 || section >= newCount) {
            *problem = QStringLiteral("inserting section %1 of %2").arg(section).arg(newCount);
            return false;
        }
    const int expected = oldCount - int(m_deletedSections.size()) + int(m_insertedSections.size());
    if (expected != newCount) {
        *problem = QStringLiteral("%1 section(s) before, %2 deleted and %3 inserted, but the data "
                                  "source has %4")
                       .arg(oldCount)
                       .arg(m_deletedSections.size())
                       .arg(m_insertedSections.size())
                       .arg(newCount);
        return false;
    }
    m_sectionOldToNew.assign(static_cast<size_t>(oldCount), -1);
    m_sectionNewToOld.assign(static_cast<size_t>(newCount), -1);
    int next = 0;
    for (int old = 0; old < oldCount; ++old) {
        if (contains(m_deletedSections, old))
            continue;
        while (contains(m_insertedSections, next))
            ++next;
        m_sectionOldToNew[static_cast<size_t>(old)] = next;
        m_sectionNewToOld[static_cast<size_t>(next)] = old;
        ++next;
    }
    return true;
}

bool CollectionViewUpdate::normalize(const std::vector<int>& oldCounts,
                                     const std::vector<int>& newCounts, QString* problem)
{
    const auto check = [&](const QList<IndexPath>& list, const std::vector<int>& counts,
                           const char* what) {
        for (const IndexPath& indexPath : list)
            if (!inRange(indexPath, counts)) {
                *problem = QStringLiteral("%1 item %2, which does not exist")
                               .arg(QLatin1String(what), describe(indexPath));
                return false;
            }
        return true;
    };
    QList<IndexPath> moveSources;
    QList<IndexPath> moveTargets;
    for (const Move& move : m_moves) {
        moveSources.append(move.from);
        moveTargets.append(move.to);
    }
    if (!check(m_deleted, oldCounts, "deleting") || !check(m_reloaded, oldCounts, "reloading") ||
        !check(moveSources, oldCounts, "moving") || !check(m_inserted, newCounts, "inserting") ||
        !check(moveTargets, newCounts, "moving to"))
        return false;

    // Changes inside sections that come or go belong to the section's change.
    const auto outside = [](const QList<int>& sections) {
        return [&sections](const IndexPath& indexPath) {
            return contains(sections, indexPath.section);
        };
    };
    m_deleted.removeIf(outside(m_deletedSections));
    m_reloaded.removeIf(outside(m_deletedSections));
    m_inserted.removeIf(outside(m_insertedSections));
    QList<Move> moves;
    for (const Move& move : std::as_const(m_moves)) {
        const bool fromGone = contains(m_deletedSections, move.from.section);
        const bool toNew = contains(m_insertedSections, move.to.section);
        if (fromGone && !toNew)
            m_inserted.append(move.to);
        else if (!fromGone && toNew)
            m_deleted.append(move.from);
        else if (!fromGone && !toNew)
            moves.append(move);
    }
    m_moves = moves;
    sortUnique(m_deleted);
    sortUnique(m_reloaded);
    sortUnique(m_inserted);

    std::set<IndexPath> sources(m_deleted.begin(), m_deleted.end());
    std::set<IndexPath> targets(m_inserted.begin(), m_inserted.end());
    const auto claim = [problem](std::set<IndexPath>& claimed, const IndexPath& indexPath) {
        if (claimed.contains(indexPath)) {
            *problem =
                QStringLiteral("item %1 changed twice in one batch").arg(describe(indexPath));
            return false;
        }
        claimed.insert(indexPath);
        return true;
    };
    for (const IndexPath& indexPath : std::as_const(m_reloaded))
        if (!claim(sources, indexPath))
            return false;
    for (const Move& move : std::as_const(m_moves))
        if (!claim(sources, move.from) || !claim(targets, move.to))
            return false;
    return true;
}

bool CollectionViewUpdate::mapItems(const std::vector<int>& oldCounts,
                                    const std::vector<int>& newCounts, QString* problem)
{
    QList<IndexPath> leaving = m_deleted;
    QList<IndexPath> arriving = m_inserted;
    for (const Move& move : std::as_const(m_moves)) {
        leaving.append(move.from);
        arriving.append(move.to);
    }
    const auto left = bySection(leaving, oldCounts.size());
    const auto arrived = bySection(arriving, newCounts.size());

    m_itemOldToNew.assign(oldCounts.size(), {});
    m_reloadedFlags.assign(oldCounts.size(), {});
    m_itemNewToOld.assign(newCounts.size(), {});
    for (size_t section = 0; section < newCounts.size(); ++section)
        m_itemNewToOld[section].assign(static_cast<size_t>(newCounts[section]), none);
    for (size_t old = 0; old < oldCounts.size(); ++old) {
        m_itemOldToNew[old].assign(static_cast<size_t>(oldCounts[old]), none);
        m_reloadedFlags[old].assign(static_cast<size_t>(oldCounts[old]), false);
        const int current = m_sectionOldToNew[old];
        if (current < 0)
            continue;
        const auto& gone = left[old];
        const auto& taken = arrived[static_cast<size_t>(current)];
        const int expected = oldCounts[old] - int(gone.size()) + int(taken.size());
        if (expected != newCounts[static_cast<size_t>(current)]) {
            *problem = QStringLiteral("section %1 had %2 item(s), %3 left and %4 arrived, but the "
                                      "data source has %5 in section %6")
                           .arg(old)
                           .arg(oldCounts[old])
                           .arg(gone.size())
                           .arg(taken.size())
                           .arg(newCounts[static_cast<size_t>(current)])
                           .arg(current);
            return false;
        }
        // Staying items keep their order and fill the places nothing arrived at.
        auto nextGone = gone.begin();
        auto nextTaken = taken.begin();
        int place = 0;
        for (int item = 0; item < oldCounts[old]; ++item) {
            if (nextGone != gone.end() && *nextGone == item) {
                ++nextGone;
                continue;
            }
            while (nextTaken != taken.end() && *nextTaken == place) {
                ++nextTaken;
                ++place;
            }
            m_itemOldToNew[old][static_cast<size_t>(item)] = IndexPath{current, place};
            m_itemNewToOld[static_cast<size_t>(current)][static_cast<size_t>(place)] =
                IndexPath{static_cast<int>(old), item};
            ++place;
        }
    }
    for (const Move& move : std::as_const(m_moves)) {
        m_itemOldToNew[static_cast<size_t>(move.from.section)]
                      [static_cast<size_t>(move.from.item)] = move.to;
        m_itemNewToOld[static_cast<size_t>(move.to.section)][static_cast<size_t>(move.to.item)] =
            move.from;
    }
    for (const IndexPath& reloaded : std::as_const(m_reloaded))
        m_reloadedFlags[static_cast<size_t>(reloaded.section)][static_cast<size_t>(reloaded.item)] =
            true;
    return true;
}

void CollectionViewUpdate::findFirstChange()
{
    // Below the first section that comes or goes, section numbers are the
    // same before and after, so item changes there compare directly.
    IndexPath first = noChange;
    if (!m_deletedSections.isEmpty())
        first = std::min(first, IndexPath{m_deletedSections.first(), 0});
    if (!m_insertedSections.isEmpty())
        first = std::min(first, IndexPath{m_insertedSections.first(), 0});
    for (const QList<IndexPath>* list : {&m_deleted, &m_reloaded, &m_inserted})
        if (!list->isEmpty())
            first = std::min(first, list->first());
    for (const Move& move : std::as_const(m_moves))
        first = std::min({first, move.from, move.to});
    m_firstChange = first;
}

std::optional<IndexPath> CollectionViewUpdate::newIndexPath(const IndexPath& old) const
{
    if (old.section < 0 || old.section >= static_cast<int>(m_itemOldToNew.size()))
        return std::nullopt;
    const auto& items = m_itemOldToNew[static_cast<size_t>(old.section)];
    if (old.item < 0 || old.item >= static_cast<int>(items.size()))
        return std::nullopt;
    const IndexPath result = items[static_cast<size_t>(old.item)];
    return result == none ? std::nullopt : std::optional<IndexPath>(result);
}

std::optional<IndexPath> CollectionViewUpdate::oldIndexPath(const IndexPath& current) const
{
    if (current.section < 0 || current.section >= static_cast<int>(m_itemNewToOld.size()))
        return std::nullopt;
    const auto& items = m_itemNewToOld[static_cast<size_t>(current.section)];
    if (current.item < 0 || current.item >= static_cast<int>(items.size()))
        return std::nullopt;
    const IndexPath result = items[static_cast<size_t>(current.item)];
    return result == none ? std::nullopt : std::optional<IndexPath>(result);
}

bool CollectionViewUpdate::isReloaded(const IndexPath& old) const
{
    if (old.section < 0 || old.section >= static_cast<int>(m_reloadedFlags.size()))
        return false;
    const auto& flags = m_reloadedFlags[static_cast<size_t>(old.section)];
    return old.item >= 0 && old.item < static_cast<int>(flags.size()) &&
           flags[static_cast<size_t>(old.item)];
}

std::optional<int> CollectionViewUpdate::newSection(int oldSection) const
{
    if (oldSection < 0 || oldSection >= static_cast<int>(m_sectionOldToNew.size()) ||
        m_sectionOldToNew[static_cast<size_t>(oldSection)] < 0)
        return std::nullopt;
    return m_sectionOldToNew[static_cast<size_t>(oldSection)];
}

std::optional<int> CollectionViewUpdate::oldSection(int newSection) const
{
    if (newSection < 0 || newSection >= static_cast<int>(m_sectionNewToOld.size()) ||
        m_sectionNewToOld[static_cast<size_t>(newSection)] < 0)
        return std::nullopt;
    return m_sectionNewToOld[static_cast<size_t>(newSection)];
}

} // namespace kesvor::ui
