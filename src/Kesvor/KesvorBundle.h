#pragma once

#include <QtCore/QString>

namespace kesvor {

/// The SDK's own resource bundle, compiled into the library.
class KesvorBundle {
public:
    /// The resource path of a file in the bundle (":/<BUNDLE_NAME>/<relative>").
    /// Makes sure the bundle is registered first: where the SDK's objects are
    /// linked from a static archive, nothing else pulls the bundle in.
    static QString path(const QString& relative);
};

} // namespace kesvor
