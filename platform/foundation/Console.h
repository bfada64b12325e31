#pragma once

#include <QtCore/QString>

namespace kesvor::foundation {

/// Lines that are printed in every build, on standard output, one per call.
/// Safe to call from any thread; lines never interleave.
class Console {
public:
    static void print(const QString& line);
};

} // namespace kesvor::foundation
