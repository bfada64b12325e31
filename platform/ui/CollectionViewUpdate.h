#pragma once

#include "ui/IndexPath.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <climits>
#include <optional>
#include <vector>

namespace kesvor::ui {

/// One batch of changes to a collection view's sections and items, as its
/// owner announces them, and what they come to once resolved against the
/// counts before and after: where every earlier item goes, and which items
/// are new.
///
/// Index paths of deletions, reloads and move sources count before the
/// batch; those of insertions and move targets after it. Items inserted
/// into an inserted section, or deleted from a deleted one, are part of that
/// section's change; a move out of a deleted section is an insertion, a move
/// into an inserted section a deletion.
class CollectionViewUpdate {
public:
    static constexpr IndexPath noChange{INT_MAX, 0};

    void insertSections(const QList<int>& sections);
    void deleteSections(const QList<int>& sections);
    void insertItems(const QList<IndexPath>& indexPaths);
    void deleteItems(const QList<IndexPath>& indexPaths);
    void reloadItems(const QList<IndexPath>& indexPaths);
    void moveItem(const IndexPath& from, const IndexPath& to);
    bool isEmpty() const;

    /// Works out the mapping for the item counts of every section before and
    /// after the changes. False, with the reason in problem, when an index
    /// path is out of range, an item is changed twice, or the counts do not
    /// add up.
    bool resolve(const std::vector<int>& oldCounts, const std::vector<int>& newCounts,
                 QString* problem);

    // --- After resolve() ------------------------------------------------------------

    /// Where an item from before the batch is now; nullopt when it was
    /// deleted. A reloaded item keeps its place.
    std::optional<IndexPath> newIndexPath(const IndexPath& old) const;
    /// Where an item was before the batch; nullopt for new items.
    std::optional<IndexPath> oldIndexPath(const IndexPath& current) const;
    bool isReloaded(const IndexPath& old) const;
    std::optional<int> newSection(int oldSection) const;
    std::optional<int> oldSection(int newSection) const;
    /// Everything before this index path (after the batch) is the same item
    /// as before and at the same place in its section; noChange when nothing
    /// changed.
    IndexPath firstChange() const { return m_firstChange; }

private:
    struct Move {
        IndexPath from;
        IndexPath to;
    };
    static constexpr IndexPath none{-1, -1};

    bool normalize(const std::vector<int>& oldCounts, const std::vector<int>& newCounts,
                   QString* problem);
    bool mapSections(int oldCount, int newCount, QString* problem);
    bool mapItems(const std::vector<int>& oldCounts, const std::vector<int>& newCounts,
                  QString* problem);
    void findFirstChange();

    QList<int> m_insertedSections;
    QList<int> m_deletedSections;
    QList<IndexPath> m_inserted;
    QList<IndexPath> m_deleted;
    QList<IndexPath> m_reloaded;
    QList<Move> m_moves;

    std::vector<int> m_sectionOldToNew;
    std::vector<int> m_sectionNewToOld;
    std::vector<std::vector<IndexPath>> m_itemOldToNew;
    std::vector<std::vector<IndexPath>> m_itemNewToOld;
    std::vector<std::vector<bool>> m_reloadedFlags;
    IndexPath m_firstChange = noChange;
};

} // namespace kesvor::ui
