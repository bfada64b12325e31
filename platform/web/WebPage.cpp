#include "web/WebPage.h"

#include "foundation/DebugLog.h"

namespace kesvor::web {

WebPage::WebPage(QObject* parent)
    : QWebEnginePage(parent)
{
}

void WebPage::setUrlPolicy(UrlPolicy policy)
{
    m_policy = policy ? std::move(policy) : UrlPolicy(webOnlyPolicy);
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (!m_policy(url, isMainFrame)) {
        KESVOR_DEBUG_LOG << "web view: refusing to load" << url.scheme() << "URL"
                         << (isMainFrame ? "in the page" : "in a frame");
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void WebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message,
                                       int lineNumber, const QString& sourceId)
{
    KESVOR_DEBUG_LOG << "web page:" << sourceId << lineNumber << message;
}

} // namespace kesvor::web
