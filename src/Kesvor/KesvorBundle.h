#pragma once

#include <QtCore/QString>

namespace kesvor {

/// The SDK's own resource bundle, compiled into the library.
class KesvorBundle {
public:
    /// Registers the bundle's resources (once; safe from any thread), so that
    /// ":/<BUNDLE_NAME>/..." paths resolve also where the linker would
    /// otherwise leave the unreferenced resource data out (static linking).
    static void registerResources();

    /// ":/<BUNDLE_NAME>", with the resources registered.
    static QString path();
};

} // namespace kesvor
