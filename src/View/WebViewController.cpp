#include "View/WebViewController.h"

#include "Kesvor/SdkImage.h"
#include "View/ConversationNotifications.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "foundation/NotificationCenter.h"
#include "ui/Accessibility.h"
#include "ui/BezierPath.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/View.h"
#include "web/UrlPolicy.h"
#include "web/WebView.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QUrl>

#include <algorithm>
#include <cmath>

namespace kesvor {

namespace {

// The sheet's numbers, in points and seconds.
constexpr double sheetTop = 100;
constexpr double headerHeight = 44;
constexpr double buttonSize = 44;
constexpr double buttonMargin = 10;
constexpr double progressHeight = 2;
constexpr double topCornerRadius = 20;
constexpr double slideDuration = 0.5;
constexpr double dimmedAlpha = 0.5;

QString metric(double value)
{
    return QString::number(value);
}

void moveTop(ui::View* view, double top)
{
    QRectF frame = view->frame();
    frame.moveTop(top);
    view->setFrame(frame);
}

} // namespace

WebViewController::WebViewController(const QString& url, QObject* parent)
    : ui::ViewController(parent)
    , m_url(url)
{
}

WebViewController::~WebViewController()
{
    // The page may still be loading or posting: nothing of it reaches this
    // controller once it is gone.
    if (m_webView) {
        disconnect(m_webView, nullptr, this, nullptr);
        m_webView->removeScriptMessageHandler(QString::fromLatin1(closeWebView));
    }
}

WebViewController* WebViewController::open(ui::ViewController* parent, const QString& url,
                                           WebViewControllerDelegate* delegate)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!parent)
        return nullptr;
    ui::View* parentView = parent->view();
    parentView->endEditing();
    auto* controller = new WebViewController(url);
    controller->setDelegate(delegate);
    const QRectF bounds = parentView->bounds();
    controller->view()->setFrame(bounds.translated(0, bounds.height()));
    parentView->addSubview(controller->view());
    parent->addChildViewController(controller);
    connect(parentView, &ui::View::boundsChanged, controller, &WebViewController::followParentSize);
    controller->show();
    return controller;
}

WebViewControllerDelegate* WebViewController::delegate() const
{
    if (m_delegateIsObject && !m_delegateObject)
        return nullptr;
    return m_delegate;
}

void WebViewController::setDelegate(WebViewControllerDelegate* delegate)
{
    m_delegate = delegate;
    m_delegateObject = dynamic_cast<QObject*>(delegate);
    m_delegateIsObject = m_delegateObject != nullptr;
}

web::WebView* WebViewController::webView() const
{
    return m_webView;
}

void WebViewController::viewDidLoad()
{
    ui::ViewController::viewDidLoad();
    setupViews();
    const QUrl url(m_url, QUrl::StrictMode);
    if (!web::isWebUrl(url)) {
        KESVOR_DEBUG_LOG << "web view: not loading" << m_url;
        return;
    }
    m_webView->load(url);
    connect(m_webView, &web::WebView::estimatedProgressChanged, this,
            &WebViewController::observeValue);
}

void WebViewController::setupViews()
{
    ui::View* root = view();
    root->setBackgroundColor(ui::Color::clear());

    m_webView = new web::WebView;
    const QPointer<WebViewController> self(this);
    m_webView->addScriptMessageHandler(QString::fromLatin1(closeWebView),
                                       [self](const web::ScriptMessage& message) {
                                           if (self)
                                               self->userContentController(message);
                                       });

    m_baseView = new ui::View;
    m_baseView->setBackgroundColor(ui::Color::lightGray());
    root->addSubview(m_baseView);
    root->addConstraints(QStringLiteral("H:|[v0]|"), {m_baseView});
    root->addConstraints(QStringLiteral("V:|-%1-[v0]|").arg(metric(sheetTop)), {m_baseView});

    m_headerView = new ui::View;
    m_headerView->setBackgroundColor(ui::Color::white());
    m_baseView->addSubview(m_headerView);
    m_baseView->addConstraints(QStringLiteral("H:|[v0]|"), {m_headerView});
    m_baseView->addConstraints(QStringLiteral("V:|[v0(==%1)]").arg(metric(headerHeight)),
                               {m_headerView});

    // The rounded top follows the sheet's size at every layout.
    m_baseView->setClipsToBounds(true);
    connect(m_baseView, &ui::View::boundsChanged, this, &WebViewController::updateMask);
    root->layoutIfNeeded();
    updateMask();

    addHeaderButtons();

    m_progressView = new ui::View;
    m_progressView->setBackgroundColor(ui::Color::red());
    m_baseView->addSubview(m_webView);
    m_baseView->addSubview(m_progressView);
    m_baseView->addConstraints(QStringLiteral("H:|[v0]|"), {m_webView});
    m_baseView->addConstraints(QStringLiteral("H:|[v0]"), {m_progressView});
    m_baseView->addConstraints(
        QStringLiteral("V:[v0]-0-[v1(==%1)]-0-[v2]|").arg(metric(progressHeight)),
        {m_headerView, m_progressView, m_webView});
    m_widthConstraint = ui::LayoutConstraint(m_progressView, ui::LayoutAttribute::Width,
                                             ui::LayoutRelation::Equal, 0);
    m_widthConstraint.setActive(true);
}

void WebViewController::addHeaderButtons()
{
    m_closeButton = new ui::Button;
    m_closeButton->setImage(sdkImage(QStringLiteral("closeButtonImg")));
    m_closeButton->setBackgroundColor(ui::Color::clear());
    ui::Accessibility::setLabel(m_closeButton, QStringLiteral("Close page"));
    m_closeButton->addTarget(ui::ControlEvent::TouchUpInside,
                             [this](ui::Control*) { closeButtonClicked(); });
    m_refreshButton = new ui::Button;
    m_refreshButton->setImage(sdkImage(QStringLiteral("refreshImg")));
    ui::Accessibility::setLabel(m_refreshButton, QStringLiteral("Reload page"));
    m_refreshButton->addTarget(ui::ControlEvent::TouchUpInside,
                               [this](ui::Control*) { refreshButtonClicked(); });

    const QString size = metric(buttonSize);
    const QString margin = metric(buttonMargin);
    m_headerView->addSubview(m_closeButton);
    m_headerView->addSubview(m_refreshButton);
    m_headerView->addConstraints(QStringLiteral("H:[v0(==%1)]-%2-|").arg(size, margin),
                                 {m_closeButton});
    m_headerView->addConstraints(QStringLiteral("V:|[v0(==%1)]").arg(size), {m_closeButton});
    m_headerView->addConstraints(QStringLiteral("H:|-%2-[v0(==%1)]").arg(size, margin),
                                 {m_refreshButton});
    m_headerView->addConstraints(QStringLiteral("V:|[v0(==%1)]").arg(size), {m_refreshButton});
}

void WebViewController::updateMask()
{
    m_baseView->setMaskPath(ui::BezierPath::roundedRect(
        m_baseView->bounds(), ui::RectCorner::TopLeft | ui::RectCorner::TopRight, topCornerRadius));
}

void WebViewController::followParentSize(const QRectF& parentBounds)
{
    // Up, it covers the parent; on its way or gone, it waits one screen below.
    const bool up = m_showing && !m_closing;
    view()->setFrame(parentBounds.translated(0, up ? 0 : parentBounds.height()));
    // The bar keeps its share of the new width.
    observeValue(m_progress);
}

void WebViewController::show()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_showing || m_closing)
        return;
    m_showing = true;
    view()->setBackgroundColor(ui::Color::clear());
    slide(0, &WebViewController::finishShowing);
}

void WebViewController::finishShowing()
{
    if (m_closing)
        return;
    view()->setBackgroundColor(ui::Color::white(0, dimmedAlpha));
    m_toldShowing = true;
    if (WebViewControllerDelegate* listener = delegate())
        listener->viewAppearChange(true);
}

void WebViewController::close()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_closing)
        return;
    m_closing = true;
    view()->setBackgroundColor(ui::Color::clear());
    slide(view()->frame().height(), &WebViewController::finishClosing);
}

// The sheet's root moves to top; finish runs when it is there, unless the
// controller is gone by then.
void WebViewController::slide(double top, void (WebViewController::*finish)())
{
    const QPointer<WebViewController> self(this);
    ui::View::animate(
        slideDuration,
        [self, top] {
            if (self)
                moveTop(self->view(), top);
        },
        [self, finish](bool) {
            if (self)
                (self->*finish)();
        });
}

void WebViewController::finishClosing()
{
    if (m_toldShowing)
        if (WebViewControllerDelegate* listener = delegate())
            listener->viewAppearChange(false);
    m_toldShowing = false;
    view()->removeFromSuperview();
    removeFromParentViewController();
    deleteLater();
}

void WebViewController::closeButtonClicked()
{
    close();
}

void WebViewController::refreshButtonClicked()
{
    if (m_webView)
        m_webView->reload();
}

void WebViewController::observeValue(double progress)
{
    const double share = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    m_progress = share;
    m_widthConstraint.setConstant(share * view()->frame().width());
    view()->layoutIfNeeded();
}

void WebViewController::userContentController(const web::ScriptMessage& message)
{
    if (message.name != QLatin1String(closeWebView))
        return;
    if (message.body.typeId() == QMetaType::QString)
        if (const auto dictionary = convertToDictionary(message.body.toString()))
            foundation::NotificationCenter::defaultCenter().post(
                QString::fromLatin1(SendMessageNotification), *dictionary);
    close();
}

std::optional<QVariantMap> WebViewController::convertToDictionary(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        KESVOR_DEBUG_LOG << error.errorString();
        return std::nullopt;
    }
    if (!document.isObject())
        return std::nullopt;
    return document.object().toVariantMap();
}

} // namespace kesvor
