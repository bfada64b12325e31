#include "web/UrlPolicy.h"

namespace kesvor::web {

bool isWebUrl(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool webOnlyPolicy(const QUrl& url, bool isMainFrame)
{
    if (isWebUrl(url))
        return true;
    if (isMainFrame)
        return false;
    return url.scheme() == QLatin1String("about") &&
           (url.path() == QLatin1String("blank") || url.path() == QLatin1String("srcdoc"));
}

} // namespace kesvor::web
