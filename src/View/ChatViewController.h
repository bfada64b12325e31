#pragma once

#include "KUserInputView/KUserInputViewProtocol.h"
#include "View/ConversationActions.h"
#include "View/WebViewControllerDelegate.h"
#include "foundation/NotificationCenter.h"
#include "ui/ViewController.h"

#include <QtCore/QPointer>

namespace kesvor {

namespace ui {
class CollectionView;
}

class ChatTableController;
class KNavBarView;
class KUserInputView;
class NetworkStatus;
class QuickReplyView;

/// The keys of the input bar's layout strings' views.
inline constexpr char USER_INPUT_VIEW[] = "userInputView";
inline constexpr char SELF_VIEW[] = "selfView";

/// The conversation screen: the navigation bar, the message list with its
/// data source, the quick-reply strip and the input bar. It starts the
/// service session on its first appearance, sends what the customer types
/// and what quick replies and template buttons ask for, follows the socket
/// session's connection (title or "Connecting..", input enabled or dimmed),
/// the keyboard (the list's bottom inset) and the application's state.
///
/// Desktop keys: the input has the focus when the screen appears, Return
/// sends, Shift+Return starts a new line, Escape closes an alert or else the
/// screen. Main thread; every handler runs there.
///
/// What it does to the session on teardown (disconnect, save, stop watching
/// the network) it does only while it is the screen on display: a screen
/// replaced by a newer one leaves the newer one's session alone.
class ChatViewController : public ui::ViewController,
                           public KUserInputViewProtocol,
                           public WebViewControllerDelegate {
    Q_OBJECT
public:
    explicit ChatViewController(QObject* parent = nullptr);
    ~ChatViewController() override;

    /// The newest conversation screen while it exists.
    static ChatViewController* displayed();

    ui::CollectionView* chatTableView() const;
    KUserInputView* userInputView() const;
    ChatTableController* chatTableController() const { return m_chatTableController; }
    double kbHeight() const { return m_kbHeight; }
    bool isShowingQuickReply() const { return m_isShowingQuickReply; }
    QuickReplyView* quickReplyView() const;
    KNavBarView* navBarView() const;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    // KUserInputViewProtocol
    void sendButtonClicked() override;
    void userInputViewFrameChanged(const QRectF& toFrame) override;

    /// The web view tells whether it is on screen: keyboard notifications are
    /// followed only while it is not.
    void viewAppearChange(bool isShowing) override;
    /// The list shows or hides the quick-reply strip.
    void quickReplyViewShowing(bool isShowingView);
    /// The list's bottom inset: keyboard, input bar, strip when shown, and 20.
    void setProperBottomInset();
    /// Stores the customer's message and sends it a second later; shows "Wait
    /// for connection to server." when not connected.
    ConversationActions::SendResult sendMessgeToServer(const QString& text,
                                                       const QString& messageKeyword);
    /// Slides the screen away and releases it.
    void closeViewController();

    // Notification handlers.
    void showWebView(const foundation::Notification& notification);
    void sendMessage(const foundation::Notification& notification);
    void submitEmail(const foundation::Notification& notification);
    void wrongEmailAlert();
    void socketConnect();
    void socketDisconnect();
    void applicationDidEnterBackground();
    void applicationDidBecomeActive();
    void keyboardWillShow(const foundation::Notification& notification);
    void keyboardWillHide(const foundation::Notification& notification);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupNavBarView();
    void setUpTableView();
    void setupInputView();
    void setupQuickReplyView();
    void observe(const char* name, void (ChatViewController::*handler)());
    void observe(const QString& name,
                 void (ChatViewController::*handler)(const foundation::Notification&));
    void addKeyboardObservers();
    void removeKeyboardObservers();
    void fitTextViewBelowNavigationBar();
    void showWaitForConnectionAlert();
    void setConnected(bool connected);

    QPointer<ui::CollectionView> m_chatTableView;
    QPointer<KUserInputView> m_userInputView;
    ChatTableController* m_chatTableController = nullptr;
    double m_kbHeight = 0;
    bool m_isShowingQuickReply = false;
    int i = 0;
    QPointer<QuickReplyView> m_quickReplyView;
    QPointer<KNavBarView> m_navBarView;
    NetworkStatus& m_network;
};

} // namespace kesvor
