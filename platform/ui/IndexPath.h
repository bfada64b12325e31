#pragma once

#include <QtCore/QDebug>
#include <QtCore/QHashFunctions>

#include <compare>

namespace kesvor::ui {

/// An item's place in a collection view: its section, and its position
/// within the section. Ordered section first.
struct IndexPath {
    int section = 0;
    int item = 0;

    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

inline size_t qHash(const IndexPath& indexPath, size_t seed = 0)
{
    return ::qHashMulti(seed, indexPath.section, indexPath.item);
}

inline QDebug operator<<(QDebug debug, const IndexPath& indexPath)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "[" << indexPath.section << ", " << indexPath.item << "]";
    return debug;
}

} // namespace kesvor::ui
