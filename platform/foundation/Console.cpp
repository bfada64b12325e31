#include "foundation/Console.h"

#include <QtCore/QMutex>

#include <cstdio>

namespace kesvor::foundation {

void Console::print(const QString& line)
{
    static QMutex mutex;
    const QByteArray bytes = line.toUtf8() + '\n';
    const QMutexLocker lock(&mutex);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace kesvor::foundation
