#pragma once

#include "View/WebViewControllerDelegate.h"
#include "ui/LayoutConstraint.h"
#include "ui/ViewController.h"
#include "web/ScriptMessage.h"

#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>

namespace kesvor {

namespace ui {
class Button;
class View;
} // namespace ui

namespace web {
class WebView;
}

/// The script-message name a page posts to when it is done: the sheet
/// closes, and a body that is the JSON text of an object is sent as a chat
/// message ("text", "messageKeyword").
inline constexpr char closeWebView[] = "closeWebView";

/// A web page in a sheet over the conversation: the top 100 points of the
/// screen stay visible behind a dimmed background; a white 44-point header
/// holds refresh (left) and close (right); a red 2-point bar under it shows
/// the load's progress; the page fills the rest. Only http and https pages
/// load; any other address gives an empty sheet that still closes.
///
/// Lifetime: open() makes it a child of the conversation's controller;
/// close() slides it away, removes it from that parent and releases it.
/// Main thread.
class WebViewController : public ui::ViewController {
    Q_OBJECT
public:
    explicit WebViewController(const QString& url, QObject* parent = nullptr);
    ~WebViewController() override;

    /// What the conversation screen does on "ShowWebViewNotification" with a
    /// string "url": ends editing in parent's view, makes the sheet with
    /// delegate, places it one screen below parent's view (sized like it),
    /// adds it as a child of parent and slides it up. The parent owns it
    /// until close() releases it.
    static WebViewController* open(ui::ViewController* parent, const QString& url,
                                   WebViewControllerDelegate* delegate);

    /// Held weakly when it is a QObject.
    WebViewControllerDelegate* delegate() const;
    void setDelegate(WebViewControllerDelegate* delegate);
    QString url() const { return m_url; }

    // The sheet's parts, made when the view loads.
    web::WebView* webView() const;
    ui::View* baseView() const { return m_baseView; }
    ui::View* headerView() const { return m_headerView; }
    ui::Button* closeButton() const { return m_closeButton; }
    ui::Button* refreshButton() const { return m_refreshButton; }
    ui::View* progressView() const { return m_progressView; }
    /// The progress bar's width.
    ui::LayoutConstraint widthConstraint() const { return m_widthConstraint; }

    void viewDidLoad() override;

    /// Slides the sheet up (0.5 s), then dims what lies behind it and tells
    /// the delegate true. Once only.
    void show();
    /// Slides the sheet off the bottom (0.5 s), then tells the delegate
    /// false (when it had heard true), removes the sheet from its parent and
    /// releases it. Later calls do nothing.
    void close();
    bool isClosing() const { return m_closing; }

    void closeButtonClicked();
    void refreshButtonClicked();
    /// The page's load progress (0 to 1) as the bar's share of the width.
    void observeValue(double progress);
    /// A script message of the page's main frame.
    void userContentController(const web::ScriptMessage& message);

    /// The object the JSON text holds; nothing for text that is not JSON or
    /// holds anything else.
    static std::optional<QVariantMap> convertToDictionary(const QString& text);

private:
    void setupViews();
    void addHeaderButtons();
    void updateMask();
    void followParentSize(const QRectF& parentBounds);
    void slide(double top, void (WebViewController::*finish)());
    void finishShowing();
    void finishClosing();

    QString m_url;
    WebViewControllerDelegate* m_delegate = nullptr;
    QPointer<QObject> m_delegateObject;
    bool m_delegateIsObject = false;

    // Guarded: a parent that goes away deletes its view, and this sheet's
    // views with it, before it deletes this controller.
    QPointer<web::WebView> m_webView;
    ui::View* m_baseView = nullptr;
    ui::Button* m_closeButton = nullptr;
    ui::View* m_headerView = nullptr;
    ui::Button* m_refreshButton = nullptr;
    ui::View* m_progressView = nullptr;
    ui::LayoutConstraint m_widthConstraint;

    double m_progress = 0;
    bool m_showing = false;
    bool m_toldShowing = false;
    bool m_closing = false;
};

} // namespace kesvor
