#pragma once

#include <QtCore/QDebug>

#include <compare>

namespace kesvor::foundation {

/// An item within a section of a list: how fetched results and collection
/// views address their items.
struct IndexPath {
    int section = 0;
    int item = 0;

    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

inline QDebug operator<<(QDebug debug, const IndexPath& path)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << '[' << path.section << ", " << path.item << ']';
    return debug;
}

} // namespace kesvor::foundation
