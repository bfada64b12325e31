#include "Kesvor/KesvorConfiguration.h"

#include "Kesvor/KesvorBuildConfig.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QtGlobal>

namespace kesvor {

namespace {

QString overridden(const char* variable, const char* builtIn)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    return value.isEmpty() ? QString::fromUtf8(builtIn) : value;
}

} // namespace

QString KesvorConfiguration::serviceBaseUrl()
{
    QString url = overridden("KESVOR_SERVICE_URL", SERVICE_BASE_URL);
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

QString KesvorConfiguration::reachabilityHost()
{
    return overridden("KESVOR_REACHABILITY_HOST", REACHABILITY_HOST);
}

QStringList KesvorConfiguration::ntpServers()
{
    return overridden("KESVOR_NTP_SERVERS", NTP_SERVERS)
        .split(QRegularExpression(QStringLiteral("[;,\\s]+")), Qt::SkipEmptyParts);
}

QString KesvorConfiguration::dataDirectory()
{
    return qEnvironmentVariable("KESVOR_DATA_DIR").trimmed();
}

QString KesvorConfiguration::defaultsSuiteName()
{
    return QString::fromUtf8(DEFAULTS_SUITE_NAME);
}

QString KesvorConfiguration::pushCategoryIdentifier()
{
    return QString::fromUtf8(PUSH_CATEGORY_IDENTIFIER);
}

} // namespace kesvor
