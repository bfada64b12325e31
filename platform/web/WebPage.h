#pragma once

#include "web/UrlPolicy.h"

#include <QtWebEngineCore/QWebEnginePage>

namespace kesvor::web {

/// The page behind a WebView: every navigation, redirects and frames inside
/// the page included, goes through the view's URL policy first.
class WebPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit WebPage(QObject* parent = nullptr);

    UrlPolicy urlPolicy() const { return m_policy; }
    /// An empty policy puts webOnlyPolicy back.
    void setUrlPolicy(UrlPolicy policy);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceId) override;

private:
    UrlPolicy m_policy = webOnlyPolicy;
};

} // namespace kesvor::web
