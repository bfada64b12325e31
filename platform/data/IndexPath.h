#pragma once

#include <QtCore/QDebug>

#include <compare>

namespace kesvor::data {

/// An item within a section of fetched results.
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

} // namespace kesvor::data
