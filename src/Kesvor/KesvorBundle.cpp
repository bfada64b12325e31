#include "KesvorBundle.h"

#include "KesvorBuildConfig.h"

#include <QtCore/QDir>

#include <mutex>

// Resource initialisers live outside any namespace.
static void initKesvorBundle()
{
    Q_INIT_RESOURCE(kesvor_bundle);
}

namespace kesvor {

void KesvorBundle::registerResources()
{
    static std::once_flag once;
    std::call_once(once, initKesvorBundle);
}

QString KesvorBundle::path()
{
    registerResources();
    return QStringLiteral(":/") + QString::fromLatin1(BUNDLE_NAME);
}

} // namespace kesvor
