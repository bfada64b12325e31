#include "foundation/Console.h"

#include <cstdio>
#include <mutex>

namespace kesvor::foundation {

void Console::print(const QString& line)
{
    static std::mutex mutex;
    const QByteArray bytes = line.toUtf8() + '\n';
    const std::lock_guard lock(mutex);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace kesvor::foundation
