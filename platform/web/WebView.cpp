#include "web/WebView.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "web/BridgeScripts.h"
#include "web/ScriptMessageBridge.h"
#include "web/WebPage.h"

#include <QtWebChannel/QWebChannel>
#include <QtWebEngineCore/QWebEngineScriptCollection>
#include <QtWebEngineWidgets/QWebEngineView>

#include <algorithm>

namespace kesvor::web {

WebView::WebView(const QRectF& frame)
    : View(frame)
    , m_engine(new QWebEngineView(this))
    , m_page(new WebPage(this))
    , m_channel(new QWebChannel(m_page))
    , m_bridge(new ScriptMessageBridge(m_channel))
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_engine->setPage(m_page);
    m_engine->setGeometry(rect());
    m_channel->registerObject(ScriptMessageBridge::channelObjectName, m_bridge);
    m_page->setWebChannel(m_channel, BridgeScripts::channelWorld);
    m_page->scripts().insert(BridgeScripts::channelScript());
    installHandlerScripts();

    connect(m_page, &QWebEnginePage::loadStarted, this, [this] {
        m_loading = true;
        setProgress(0);
        Q_EMIT loadStarted();
    });
    connect(m_page, &QWebEnginePage::loadProgress, this,
            [this](int percent) { setProgress(std::clamp(percent, 0, 100) / 100.0); });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        m_loading = false;
        setProgress(1);
        Q_EMIT loadFinished(ok);
    });
}

WebView::~WebView()
{
    // The page goes before the engine's widget that shows it.
    delete m_page;
}

bool WebView::load(const QUrl& url)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!m_page->urlPolicy()(url, true)) {
        KESVOR_DEBUG_LOG << "web view: not loading a" << url.scheme() << "URL";
        return false;
    }
    m_page->load(url);
    return true;
}

void WebView::reload()
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_page->triggerAction(QWebEnginePage::Reload);
}

void WebView::stopLoading()
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_page->triggerAction(QWebEnginePage::Stop);
}

QUrl WebView::url() const
{
    return m_page->url();
}

QString WebView::title() const
{
    return m_page->title();
}

void WebView::addScriptMessageHandler(const QString& name, ScriptMessageHandler handler)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_bridge->addHandler(name, std::move(handler));
    installHandlerScripts();
}

void WebView::removeScriptMessageHandler(const QString& name)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_bridge->removeHandler(name);
    installHandlerScripts();
}

UrlPolicy WebView::urlPolicy() const
{
    return m_page->urlPolicy();
}

void WebView::setUrlPolicy(UrlPolicy policy)
{
    m_page->setUrlPolicy(std::move(policy));
}

void WebView::evaluateJavaScript(const QString& script,
                                 const std::function<void(const QVariant&)>& result)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (result)
        m_page->runJavaScript(script, result);
    else
        m_page->runJavaScript(script);
}

void WebView::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    m_engine->setGeometry(rect());
}

void WebView::setProgress(double progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    Q_EMIT estimatedProgressChanged(progress);
}

void WebView::installHandlerScripts()
{
    QWebEngineScriptCollection& scripts = m_page->scripts();
    const QWebEngineScript handlers = BridgeScripts::handlersScript(m_bridge->handlerNames());
    for (const QWebEngineScript& old : scripts.find(handlers.name()))
        scripts.remove(old);
    scripts.insert(handlers);
}

} // namespace kesvor::web
