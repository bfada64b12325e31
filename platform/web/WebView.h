#pragma once

#include "ui/View.h"
#include "web/ScriptMessage.h"
#include "web/UrlPolicy.h"

#include <QtCore/QUrl>

class QWebChannel;
class QWebEngineView;

namespace kesvor::web {

class ScriptMessageBridge;
class WebPage;

/// A web page in a view: Chromium through Qt WebEngine. It loads what its URL
/// policy allows (http and https unless told otherwise), reports the load's
/// progress, and lets the page's main frame post script messages to handlers
/// registered by name:
///
///     window.webkit.messageHandlers.<name>.postMessage(body)
///
/// Handlers, progress and load signals are called on the main thread; script
/// messages always arrive from the event loop. Main thread.
class WebView : public ui::View {
    Q_OBJECT
public:
    explicit WebView(const QRectF& frame = QRectF());
    ~WebView() override;

    /// Starts loading url. False, and nothing loads or runs, when the policy
    /// refuses it (a javascript: URL never runs in the current page).
    bool load(const QUrl& url);
    /// Loads the current page again.
    void reload();
    void stopLoading();
    /// The page shown or being loaded; empty before anything loaded.
    QUrl url() const;
    QString title() const;
    bool isLoading() const { return m_loading; }
    /// How far the current load has come, 0 to 1; 1 once it finished.
    double estimatedProgress() const { return m_progress; }

    /// Pages posting to name reach handler from the next page loaded on.
    /// A handler added again under the same name replaces the first.
    void addScriptMessageHandler(const QString& name, ScriptMessageHandler handler);
    void removeScriptMessageHandler(const QString& name);

    UrlPolicy urlPolicy() const;
    /// An empty policy puts webOnlyPolicy back.
    void setUrlPolicy(UrlPolicy policy);

    /// Runs script in the page's main frame; result gets its value.
    void evaluateJavaScript(const QString& script,
                            const std::function<void(const QVariant&)>& result = {});

    /// The engine's widget, for input and rendering.
    QWebEngineView* engineView() const { return m_engine; }

Q_SIGNALS:
    void estimatedProgressChanged(double progress);
    void loadStarted();
    void loadFinished(bool ok);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setProgress(double progress);
    void installHandlerScripts();

    QWebEngineView* m_engine;
    WebPage* m_page;
    QWebChannel* m_channel;
    ScriptMessageBridge* m_bridge;
    bool m_loading = false;
    double m_progress = 0;
};

} // namespace kesvor::web
