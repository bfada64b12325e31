#include "ui/UiTest.h"

#include "support/HttpTestServer.h"
#include "support/TestSupport.h"
#include "web/UrlPolicy.h"
#include "web/WebTestPage.h"
#include "web/WebView.h"

#include <QtCore/QDir>
#include <QtTest/QSignalSpy>
#include <QtWebEngineWidgets/QWebEngineView>

using namespace kesvor;

namespace {

// Pages by path; anything else is a 404.
class WebViewTest : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ui::View* root = makeRoot(hostWidth, hostHeight);
        m_view = new web::WebView(QRectF(0, 0, hostWidth, hostHeight));
        root->addSubview(m_view);
        m_server.setHandler([this](const test::HttpRequest& request) {
            const QByteArray path = request.target.split('?').value(0);
            const auto page = m_pages.constFind(path);
            if (page == m_pages.cend())
                return test::HttpReply{404, "missing", "text/plain"};
            return test::HttpReply{200, *page, "text/html; charset=utf-8"};
        });
        m_view->addScriptMessageHandler(
            "probe", [this](const web::ScriptMessage& message) { m_messages.append(message); });
    }

    web::WebView& view() { return *m_view; }
    QUrl url(const char* path) const { return QUrl(m_server.url(QString::fromLatin1(path))); }
    void addPage(const QByteArray& path, const QByteArray& body)
    {
        m_pages.insert(path, "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>" + body +
                                 "</html>");
    }
    int requestsFor(const QByteArray& path) const
    {
        return int(std::count_if(
            m_server.requests().cbegin(), m_server.requests().cend(),
            [&](const test::HttpRequest& request) { return request.target == path; }));
    }
    bool waitForMessages(qsizetype count)
    {
        return test::waitUntil([&] { return m_messages.size() >= count; }, 20'000);
    }

    QList<web::ScriptMessage> m_messages;

private:
    test::HttpTestServer m_server;
    QHash<QByteArray, QByteArray> m_pages;
    web::WebView* m_view = nullptr;
};

} // namespace

TEST_F(WebViewTest, TheMainFramePostsAnyJsonValueToAHandlerByName)
{
    // Posts made while the page is still loading wait for the bridge.
    addPage("/post", R"(<body><script>
        var handlers = window.webkit.messageHandlers;
        handlers.probe.postMessage('text');
        handlers.probe.postMessage(42.5);
        handlers.probe.postMessage({ a: [1, 'b'], c: null });
        handlers.probe.postMessage([true, false]);
        handlers.probe.postMessage(null);
        handlers.probe.postMessage(undefined);
        handlers.probe.postMessage(function () {});
        document.title = [typeof handlers.other, typeof window.qt, typeof QWebChannel].join(',');
        handlers.probe.postMessage('last');
        </script></body>)");
    ASSERT_TRUE(test::loadAndWait(view(), url("/post")));
    ASSERT_TRUE(waitForMessages(8));
    ASSERT_EQ(m_messages.size(), 8);
    for (const web::ScriptMessage& message : std::as_const(m_messages))
        EXPECT_EQ(message.name, "probe");
    EXPECT_EQ(m_messages[0].body, QVariant("text"));
    EXPECT_EQ(m_messages[1].body.toDouble(), 42.5);
    const QVariantMap object = m_messages[2].body.toMap();
    EXPECT_EQ(object.keys(), (QStringList{"a", "c"}));
    EXPECT_EQ(object["a"].toList().value(0).toInt(), 1);
    EXPECT_EQ(object["a"].toList().value(1), QVariant("b"));
    EXPECT_TRUE(object["c"].isNull());
    EXPECT_EQ(m_messages[3].body, QVariant(QVariantList{true, false}));
    // null, undefined and a function all arrive as null.
    for (int i = 4; i < 7; ++i)
        EXPECT_TRUE(m_messages[i].body.isNull()) << i;
    EXPECT_EQ(m_messages[7].body, QVariant("last"));
    // Only registered names exist, and the channel stays out of the page's reach.
    EXPECT_EQ(view().title(), "undefined,undefined,undefined");

    // A handler taken away is gone from the next page on.
    view().removeScriptMessageHandler("probe");
    ASSERT_TRUE(test::loadAndWait(view(), url("/post")));
    EXPECT_EQ(test::evaluate(view(), "typeof window.webkit.messageHandlers.probe"), "undefined");
    EXPECT_EQ(m_messages.size(), 8);
}

TEST_F(WebViewTest, FramesInsideThePageHaveNoHandlers)
{
    addPage("/framed", R"(<body><iframe src="/frame"></iframe><script>
        document.querySelector('iframe').addEventListener('load', function () {
            window.webkit.messageHandlers.probe.postMessage('main, after the frame');
        });
        </script></body>)");
    addPage("/frame", R"(<body><script>
        var seen = typeof window.webkit;
        try { window.webkit.messageHandlers.probe.postMessage('from the frame'); }
        catch (error) { seen += ' (post failed)'; }
        parent.document.body.dataset.frame = seen + ', transport ' + typeof window.qt;
        </script></body>)");
    ASSERT_TRUE(test::loadAndWait(view(), url("/framed")));
    ASSERT_TRUE(waitForMessages(1));
    EXPECT_EQ(test::evaluate(view(), "document.body.dataset.frame"),
              "undefined (post failed), transport undefined");
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages[0].body, QVariant("main, after the frame"));
}

TEST_F(WebViewTest, OnlyWebAddressesLoad)
{
    for (const char* address :
         {"file:///etc/hostname", "data:text/html,<script>document.title='data'</script>",
          "javascript:document.title='script'", "kesvor-app://open", "about:blank",
          "http:///nohost", "ftp://127.0.0.1/file"}) {
        EXPECT_FALSE(view().load(QUrl(QString::fromLatin1(address)))) << address;
        EXPECT_FALSE(view().isLoading()) << address;
        EXPECT_TRUE(view().url().isEmpty()) << address;
    }

    // Frames inside a page are held to the same rule (about:blank aside).
    QList<std::pair<QUrl, bool>> asked;
    view().setUrlPolicy([&](const QUrl& address, bool isMainFrame) {
        asked.append({address, isMainFrame});
        return web::webOnlyPolicy(address, isMainFrame);
    });
    addPage("/start", R"(<head><title>start</title></head><body>
        <iframe id="data" src="data:text/html,<script>parent.document.title='framed'</script>"></iframe>
        <a id="away" href="/forbidden">away</a></body>)");
    ASSERT_TRUE(test::loadAndWait(view(), url("/start")));
    ASSERT_TRUE(test::waitUntil([&] {
        return std::any_of(asked.cbegin(), asked.cend(),
                           [](const auto& entry) { return entry.first.scheme() == "data"; });
    }));
    for (const auto& [address, isMainFrame] : std::as_const(asked))
        EXPECT_EQ(isMainFrame, address.scheme() == "http") << address.toString().toStdString();

    // A javascript: address never runs in the page that is shown.
    EXPECT_FALSE(view().load(QUrl("javascript:document.title='script'")));
    EXPECT_EQ(test::evaluate(view(), "document.title"), "start");

    // Navigations the page starts ask the policy too; refused, the page stays.
    view().setUrlPolicy([&](const QUrl& address, bool isMainFrame) {
        asked.append({address, isMainFrame});
        return address.path() != "/forbidden" && web::webOnlyPolicy(address, isMainFrame);
    });
    test::evaluate(view(), "window.marker = 'still here'; true");
    ASSERT_TRUE(test::clickElement(view(), "#away"));
    ASSERT_TRUE(test::waitUntil([&] { return asked.last().first.path() == "/forbidden"; }));
    EXPECT_EQ(test::evaluate(view(), "window.marker"), "still here");
    EXPECT_EQ(view().url(), url("/start"));
    EXPECT_EQ(requestsFor("/forbidden"), 0);
}

TEST_F(WebViewTest, ProgressRunsToOneAndReloadLoadsAgain)
{
    addPage("/page", R"(<body style="margin:0;background:#ff0000"></body>)");
    QSignalSpy progress(&view(), &web::WebView::estimatedProgressChanged);
    QSignalSpy started(&view(), &web::WebView::loadStarted);
    ASSERT_TRUE(test::loadAndWait(view(), url("/page")));
    EXPECT_EQ(view().estimatedProgress(), 1);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last().value(0).toDouble(), 1);
    double previous = 0;
    for (const QList<QVariant>& step : std::as_const(progress)) {
        EXPECT_GE(step.value(0).toDouble(), previous);
        previous = step.value(0).toDouble();
    }
    EXPECT_EQ(requestsFor("/page"), 1);

    // What the page draws shows in the view.
    const QPoint middle(hostWidth / 2, hostHeight / 2);
    EXPECT_TRUE(test::waitUntil(
        [&] { return view().engineView()->grab().toImage().pixelColor(middle) == Qt::red; }));
    const QString folder = QStringLiteral(KESVOR_BINARY_DIR "/tests/web/screenshots");
    QDir().mkpath(folder);
    view().grab().save(folder + QStringLiteral("/web-view-page.png"));

    progress.clear();
    QSignalSpy finished(&view(), &web::WebView::loadFinished);
    view().reload();
    ASSERT_TRUE(test::waitUntil([&] { return !finished.isEmpty(); }, 20'000));
    EXPECT_EQ(started.size(), 2);
    EXPECT_EQ(requestsFor("/page"), 2);
    EXPECT_EQ(view().url(), url("/page"));
    ASSERT_GE(progress.size(), 2);
    EXPECT_LT(progress.first().value(0).toDouble(), 1);
    EXPECT_EQ(progress.last().value(0).toDouble(), 1);
}
