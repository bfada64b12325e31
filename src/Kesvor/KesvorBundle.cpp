#include "Kesvor/KesvorBundle.h"

#include "Kesvor/KesvorBuildConfig.h"

#include <mutex>

// Outside any namespace, as the resource initialiser requires.
static void registerKesvorBundle()
{
    Q_INIT_RESOURCE(kesvor_bundle);
}

namespace kesvor {

QString KesvorBundle::path(const QString& relative)
{
    static std::once_flag registered;
    std::call_once(registered, registerKesvorBundle);
    return QStringLiteral(":/%1/%2").arg(QString::fromUtf8(BUNDLE_NAME), relative);
}

} // namespace kesvor
