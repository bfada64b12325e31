#pragma once

#include "foundation/Error.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace kesvor::data {

/// File operations on a SQLite store that keep its side files ("-wal",
/// "-shm", "-journal") with their main file: a main file must never meet the
/// side files of another, or SQLite would replay foreign pages into it.
/// None of them may run while a connection to the store is open.
class StoreFiles {
public:
    /// The side file paths of the store at path (present or not).
    static QStringList sideFiles(const QString& path);

    /// Removes the main file and its side files; true when none is left.
    static bool remove(const QString& path, foundation::Error* error = nullptr);

    /// Moves the main file and its side files to destination (whose own files
    /// are removed first).
    static bool move(const QString& path, const QString& destination,
                     foundation::Error* error = nullptr);

    /// Writes everything the write-ahead log holds into the main file and
    /// empties the log.
    static bool checkpoint(const QString& path, foundation::Error* error = nullptr);

    /// Puts the store at replacement in the place of the store at target:
    /// both are checkpointed, the target's side files go, and the replacement
    /// is renamed over the target in one step. When this fails, the target
    /// is still a complete store and the replacement is left where it was.
    static bool replace(const QString& target, const QString& replacement,
                        foundation::Error* error = nullptr);
};

} // namespace kesvor::data
