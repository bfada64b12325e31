#include "ui/UiTest.h"

#include "Kesvor/SdkImage.h"
#include "View/ConversationNotifications.h"
#include "View/WebViewController.h"
#include "foundation/NotificationCenter.h"
#include "support/ChatService.h"
#include "support/TestSupport.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Window.h"
#include "web/WebTestPage.h"
#include "web/WebView.h"

#include <QtCore/QDir>
#include <QtCore/QUrlQuery>
#include <QtTest/QSignalSpy>
#include <QtWebEngineWidgets/QWebEngineView>

using namespace kesvor;

namespace {

constexpr double slideMs = 500;
// Animation frames come every 16 ms: the first one after the slide ends it.
constexpr double frameMs = 16;

// A plain controller in a window over the host plays the conversation
// screen: it owns the sheet and hears when it comes and goes.
class WebViewControllerTest : public test::UiTest, public WebViewControllerDelegate {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(m_service.start()) << m_service.errorString().toStdString();
        m_window = new ui::Window(QRectF(0, 0, hostWidth, hostHeight));
        m_conversation = new ui::ViewController;
        m_window->setRootViewController(m_conversation);
        m_window->makeKeyAndVisible();
        foundation::NotificationCenter::defaultCenter().addObserver(
            this, QString::fromLatin1(SendMessageNotification),
            [this](const foundation::Notification& notification) {
                m_sent.append(notification.userInfo);
            });
        driveClock();
    }

    void TearDown() override
    {
        foundation::NotificationCenter::defaultCenter().removeObserver(this);
        delete m_window.data();
        UiTest::TearDown();
    }

    void viewAppearChange(bool isShowing) override { m_appearances.append(isShowing); }

    QString bridgeUrl(const QList<std::pair<QString, QString>>& query = {}) const
    {
        QUrl url(m_service.baseUrl() + QStringLiteral("/bridge"));
        QUrlQuery items;
        for (const auto& [key, value] : query)
            items.addQueryItem(key, value);
        url.setQuery(items);
        return url.toString(QUrl::FullyEncoded);
    }

    // Opens a sheet as the conversation screen does and lets it slide up.
    QPointer<WebViewController> openSheet(const QString& url)
    {
        QPointer<WebViewController> sheet = WebViewController::open(m_conversation, url, this);
        advance(slideMs + frameMs);
        return sheet;
    }

    static bool waitForPage(WebViewController* sheet)
    {
        return test::waitUntil(
            [&] {
                return sheet->webView()->estimatedProgress() == 1 && !sheet->webView()->isLoading();
            },
            20'000);
    }

    // Lets a closing sheet slide away and waits until it is released.
    static bool finishClosing(const QPointer<WebViewController>& sheet)
    {
        advance(slideMs + frameMs);
        return test::waitUntil([&] { return !sheet; });
    }

    // A tap where the user sees view: through the host window, so whatever
    // lies on top at that point takes it.
    void tap(ui::View* view)
    {
        const QPoint point = view->mapTo(&host(), view->rect().center());
        QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {}, point);
    }

    static int webEnginePages()
    {
        int count = 0;
        for (QWidget* widget : QApplication::allWidgets())
            count += qobject_cast<QWebEngineView*>(widget) != nullptr;
        return count;
    }

    void saveScreenshot(const QString& name)
    {
        const QString folder = QStringLiteral(KESVOR_BINARY_DIR "/tests/web/screenshots");
        QDir().mkpath(folder);
        host().grab().save(folder + QLatin1Char('/') + name);
    }

    test::ChatService m_service;
    QPointer<ui::Window> m_window;
    ui::ViewController* m_conversation = nullptr;
    QList<bool> m_appearances;
    QList<QVariantMap> m_sent;
};

} // namespace

TEST_F(WebViewControllerTest, TheSheetSlidesUpOverTheConversationAndFollowsItsSize)
{
    QPointer<WebViewController> sheet = WebViewController::open(m_conversation, bridgeUrl(), this);
    ASSERT_TRUE(sheet);
    ui::View* root = sheet->view();
    EXPECT_EQ(root->superview(), m_conversation->view());
    EXPECT_EQ(m_conversation->childViewControllers(), QList<ui::ViewController*>{sheet});
    EXPECT_FRAME(root, 0, 0, hostWidth, hostHeight);
    EXPECT_EQ(root->presentationFrame().y(), hostHeight);
    advance(slideMs / 2);
    EXPECT_GT(root->presentationFrame().y(), 0);
    EXPECT_LT(root->presentationFrame().y(), hostHeight);
    EXPECT_EQ(root->backgroundColor().alpha(), 0);
    EXPECT_TRUE(m_appearances.isEmpty());
    advance(slideMs / 2 + frameMs);
    EXPECT_EQ(root->presentationFrame().y(), 0);
    EXPECT_EQ(root->backgroundColor(), ui::Color::white(0, 0.5));
    EXPECT_EQ(m_appearances, QList<bool>{true});

    EXPECT_FRAME(sheet->baseView(), 0, 100, hostWidth, hostHeight - 100);
    EXPECT_FRAME(sheet->headerView(), 0, 0, hostWidth, 44);
    EXPECT_FRAME(sheet->refreshButton(), 10, 0, 44, 44);
    EXPECT_FRAME(sheet->closeButton(), hostWidth - 54, 0, 44, 44);
    EXPECT_FRAME(sheet->webView(), 0, 46, hostWidth, hostHeight - 146);
    EXPECT_EQ(sheet->progressView()->frame().y(), 44);
    EXPECT_EQ(sheet->progressView()->frame().height(), 2);
    EXPECT_EQ(sheet->closeButton()->currentImage(), sdkImage("closeButtonImg"));
    EXPECT_EQ(sheet->refreshButton()->currentImage(), sdkImage("refreshImg"));
    // Only the top corners are rounded.
    const QPainterPath mask = sheet->baseView()->maskPath().value_or(QPainterPath());
    EXPECT_EQ(mask.boundingRect(), QRectF(0, 0, hostWidth, hostHeight - 100));
    EXPECT_FALSE(mask.contains(QPointF(1, 1)));
    EXPECT_FALSE(mask.contains(QPointF(hostWidth - 1, 1)));
    EXPECT_TRUE(mask.contains(QPointF(1, hostHeight - 101)));

    // The bar is the load's share of the width.
    sheet->observeValue(0.5);
    EXPECT_EQ(sheet->progressView()->frame().width(), 160);
    ASSERT_TRUE(waitForPage(sheet));
    EXPECT_EQ(sheet->progressView()->frame().width(), hostWidth);
    // The page is drawn: its blue "Done" button shows where the page has it
    // (left of its white title).
    const QVariantList done =
        test::evaluate(*sheet->webView(), "(function () { var r = document.getElementById("
                                          "'bridge-done').getBoundingClientRect(); return "
                                          "[r.x + 6, r.y + r.height / 2]; })()")
            .toList();
    ASSERT_EQ(done.size(), 2);
    const QPoint button(done[0].toInt(), done[1].toInt());
    EXPECT_TRUE(test::waitUntil([&] {
        const QColor shown = sheet->webView()->engineView()->grab().toImage().pixelColor(button);
        return shown.blue() > 200 && shown.red() < 50;
    }));
    saveScreenshot(QStringLiteral("web-sheet.png"));

    // A resized window keeps the sheet covering it, rounded at the top.
    host().resize(400, 700);
    ASSERT_TRUE(test::waitUntil([&] { return root->frame().width() == 400; }));
    root->layoutIfNeeded();
    EXPECT_FRAME(root, 0, 0, 400, 700);
    EXPECT_FRAME(sheet->baseView(), 0, 100, 400, 600);
    EXPECT_EQ(sheet->baseView()->maskPath()->boundingRect(), QRectF(0, 0, 400, 600));
    EXPECT_FRAME(sheet->closeButton(), 346, 0, 44, 44);
    EXPECT_EQ(sheet->progressView()->frame().width(), 400);
    tap(sheet->closeButton());
    EXPECT_TRUE(sheet->isClosing());
}

TEST_F(WebViewControllerTest, DoneOnTheBridgePageSendsTheFormAndCloses)
{
    QPointer<WebViewController> sheet =
        openSheet(bridgeUrl({{"text", "Please call me back"}, {"keyword", "CALL_BACK"}}));
    ASSERT_TRUE(waitForPage(sheet));
    ASSERT_TRUE(test::clickElement(*sheet->webView(), "#bridge-done"));
    ASSERT_TRUE(test::waitUntil([&] { return sheet->isClosing(); }, 20'000));
    ASSERT_EQ(m_sent.size(), 1);
    EXPECT_EQ(m_sent[0],
              (QVariantMap{{"text", "Please call me back"}, {"messageKeyword", "CALL_BACK"}}));

    // It slides off the bottom, then goes for good.
    ui::View* root = sheet->view();
    advance(slideMs / 2);
    EXPECT_GT(root->presentationFrame().y(), 0);
    EXPECT_EQ(root->backgroundColor().alpha(), 0);
    EXPECT_EQ(m_appearances, QList<bool>{true});
    ASSERT_TRUE(finishClosing(sheet));
    EXPECT_EQ(m_appearances, (QList<bool>{true, false}));
    EXPECT_TRUE(m_conversation->childViewControllers().isEmpty());
    EXPECT_TRUE(m_conversation->view()->subviews().isEmpty());
    EXPECT_EQ(webEnginePages(), 0);
}

TEST_F(WebViewControllerTest, BodiesThatAreNotAJsonObjectCloseWithoutSending)
{
    for (const QString variant : {"not-json", "array", "non-string"}) {
        m_appearances.clear();
        QPointer<WebViewController> sheet =
            openSheet(bridgeUrl({{"variant", variant}, {"auto", "1"}}));
        ASSERT_TRUE(test::waitUntil([&] { return sheet->isClosing(); }, 20'000))
            << variant.toStdString();
        ASSERT_TRUE(finishClosing(sheet));
        EXPECT_EQ(m_appearances, (QList<bool>{true, false})) << variant.toStdString();
    }
    EXPECT_TRUE(m_sent.isEmpty());

    EXPECT_EQ(WebViewController::convertToDictionary(R"({"text": "a", "n": [1]})"),
              (QVariantMap{{"text", "a"}, {"n", QVariantList{1}}}));
    for (const QString text : {"", "Done: a", "[1, 2]", "\"text\"", "12", "{\"open\": "})
        EXPECT_EQ(WebViewController::convertToDictionary(text), std::nullopt) << text.toStdString();
}

TEST_F(WebViewControllerTest, OtherHandlersAndFramesInsideThePageChangeNothing)
{
    QPointer<WebViewController> sheet = openSheet(bridgeUrl({{"variant", "other-handler"}}));
    ASSERT_TRUE(waitForPage(sheet));
    ASSERT_TRUE(test::clickElement(*sheet->webView(), "#bridge-done"));
    EXPECT_TRUE(test::waitUntil([&] {
        return test::evaluate(*sheet->webView(),
                              "document.getElementById('bridge-note').dataset.state") ==
               "no-handler";
    }));
    sheet->userContentController({"otherHandler", R"({"text": "x", "messageKeyword": "y"})"});
    EXPECT_FALSE(sheet->isClosing());

    // The form inside a frame finds no handler of its own.
    ASSERT_TRUE(sheet->webView()->load(QUrl(bridgeUrl({{"variant", "iframe"}}))));
    ASSERT_TRUE(waitForPage(sheet));
    const QString frame = "document.getElementById('bridge-frame').contentDocument";
    ASSERT_TRUE(test::waitUntil([&] {
        return test::evaluate(*sheet->webView(),
                              frame + "&& " + frame + ".getElementById('bridge-done') !== null")
            .toBool();
    }));
    test::evaluate(*sheet->webView(), frame + ".getElementById('bridge-done').click(); true");
    EXPECT_TRUE(test::waitUntil([&] {
        return test::evaluate(*sheet->webView(),
                              frame + ".getElementById('bridge-note').dataset.state") ==
               "no-handler";
    }));
    EXPECT_FALSE(sheet->isClosing());
    EXPECT_TRUE(m_sent.isEmpty());
    EXPECT_EQ(m_appearances, QList<bool>{true});
}

TEST_F(WebViewControllerTest, OnlyWebAddressesLoadAndAnEmptySheetStillCloses)
{
    for (const QString url : {"file:///etc/hostname", "data:text/html,<p>data</p>",
                              "javascript:alert(1)", "kesvor-app://open", "not a url", ""}) {
        m_appearances.clear();
        QPointer<WebViewController> sheet = openSheet(url);
        EXPECT_TRUE(sheet->webView()->url().isEmpty()) << url.toStdString();
        EXPECT_FALSE(sheet->webView()->isLoading()) << url.toStdString();
        EXPECT_EQ(sheet->progressView()->frame().width(), 0) << url.toStdString();
        tap(sheet->closeButton());
        ASSERT_TRUE(finishClosing(sheet)) << url.toStdString();
        EXPECT_EQ(m_appearances, (QList<bool>{true, false})) << url.toStdString();
    }
}

TEST_F(WebViewControllerTest, RefreshLoadsThePageAgainAndKeepsTheSheet)
{
    QPointer<WebViewController> sheet = openSheet(bridgeUrl());
    ASSERT_TRUE(waitForPage(sheet));
    test::evaluate(*sheet->webView(), "window.marker = 'first load'; true");
    QSignalSpy finished(sheet->webView(), &web::WebView::loadFinished);
    QSignalSpy progress(sheet->webView(), &web::WebView::estimatedProgressChanged);
    tap(sheet->refreshButton());
    ASSERT_TRUE(test::waitUntil([&] { return !finished.isEmpty(); }, 20'000));
    EXPECT_EQ(test::evaluate(*sheet->webView(), "typeof window.marker"), "undefined");
    EXPECT_EQ(sheet->webView()->url(), QUrl(bridgeUrl()));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_LT(progress.first().value(0).toDouble(), 1);
    EXPECT_EQ(sheet->progressView()->frame().width(), hostWidth);
    EXPECT_FALSE(sheet->isClosing());
}

TEST_F(WebViewControllerTest, ClosingIsOnceAndEveryOpenedSheetIsReleased)
{
    // Ten link taps, each closed twice (close button, then again while it
    // slides away), some while the page still loads.
    QList<QPointer<WebViewController>> sheets;
    for (int i = 0; i < 10; ++i) {
        QPointer<WebViewController> sheet = openSheet(bridgeUrl({{"text", QString::number(i)}}));
        sheets.append(sheet);
        if (i % 2) {
            ASSERT_TRUE(waitForPage(sheet));
        }
        tap(sheet->closeButton());
        advance(slideMs / 5);
        sheet->close();
        ASSERT_TRUE(finishClosing(sheet)) << i;
    }
    QList<bool> expected;
    for (int i = 0; i < 10; ++i)
        expected << true << false;
    EXPECT_EQ(m_appearances, expected);
    EXPECT_TRUE(
        std::none_of(sheets.cbegin(), sheets.cend(), [](const auto& sheet) { return sheet; }));
    EXPECT_TRUE(m_conversation->childViewControllers().isEmpty());
    EXPECT_TRUE(m_conversation->view()->subviews().isEmpty());
    EXPECT_EQ(webEnginePages(), 0);

    // The page's post and the close button at once close it once.
    m_appearances.clear();
    QPointer<WebViewController> sheet = openSheet(bridgeUrl({{"auto", "1"}}));
    ASSERT_TRUE(test::waitUntil([&] { return sheet->isClosing(); }, 20'000));
    tap(sheet->closeButton());
    ASSERT_TRUE(finishClosing(sheet));
    EXPECT_EQ(m_appearances, (QList<bool>{true, false}));
    EXPECT_EQ(m_sent.size(), 1);

    // Closed before it was up, the delegate hears nothing at all.
    m_appearances.clear();
    sheet = WebViewController::open(m_conversation, bridgeUrl(), this);
    advance(slideMs / 4);
    sheet->close();
    ASSERT_TRUE(finishClosing(sheet));
    EXPECT_TRUE(m_appearances.isEmpty());

    // A conversation that goes away with a sheet up (its page loading or
    // posting) takes the sheet and its page with it.
    sheet = openSheet(bridgeUrl({{"auto", "1"}}));
    delete m_window.data();
    EXPECT_FALSE(sheet);
    EXPECT_EQ(webEnginePages(), 0);
}
