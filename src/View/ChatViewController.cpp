// The conversation screen: building its views, its lifecycle, and what it
// does for the input bar, the notifications and the keyboard.
#include "View/ChatViewController.h"

#include "Cells/ChatBubble.h"
#include "KTextView/KTextView.h"
#include "KUserInputView/KUserInputView.h"
#include "Kesvor/KesvorAlertController.h"
#include "Kesvor/KesvorWindows.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "Store/MyDataController.h"
#include "View/ChatTableController.h"
#include "View/CollectionViewScrolling.h"
#include "View/ConversationNotifications.h"
#include "View/KNavBarView.h"
#include "View/NetworkStatus.h"
#include "View/QuickReplyView.h"
#include "View/SharedColors.h"
#include "View/WebViewController.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/Color.h"
#include "ui/Keyboard.h"
#include "ui/Window.h"

#include <QtGui/QKeyEvent>

namespace kesvor {

namespace {

// Layout numbers of the screen (points, seconds).
constexpr double navigationBarHeight = 64;
constexpr ui::EdgeInsets listSectionInset{0, 0, 10, 0};
constexpr ui::EdgeInsets listInitialContentInset{0, 0, 50, 0};
constexpr double quickReplyHeight = 60;
constexpr double insetBelowLastBubble = 20;
constexpr double keyboardAnimationDuration = 0.25;
constexpr double firstFadeInDuration = 1.0;
// The input bar's space above and below its text view.
constexpr double inputBarInsets = 4 + 4;
const QString wrongEmailMessage = QStringLiteral("Please enter valid email format.");

QPointer<ChatViewController>& displayedScreen()
{
    static QPointer<ChatViewController> screen;
    return screen;
}

// Keyboards report their animation curve as a number.
ui::AnimationOptions keyboardAnimation(const QVariantMap& userInfo)
{
    ui::AnimationOptions options;
    switch (userInfo.value(ui::Keyboard::animationCurveUserInfoKey).toUInt()) {
    case 1:
        options.curve = ui::AnimationCurve::EaseIn;
        break;
    case 2:
        options.curve = ui::AnimationCurve::EaseOut;
        break;
    case 3:
        options.curve = ui::AnimationCurve::Linear;
        break;
    default:
        options.curve = ui::AnimationCurve::EaseInOut;
        break;
    }
    return options;
}

std::optional<QString> stringAt(const QVariantMap& userInfo, const char* key)
{
    const QVariant value = userInfo.value(QLatin1String(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace

ChatViewController::ChatViewController(QObject* parent)
    : ViewController(parent)
    , m_network(NetworkStatus::sharedInstance())
{
    displayedScreen() = this;
    if (m_network.reachabilityManager())
        m_network.startListening();
}

ChatViewController::~ChatViewController()
{
    if (m_userInputView)
        m_userInputView->inputTextView()->resignFirstResponder();
    // A screen replaced by a newer one leaves the newer one's session alone.
    if (displayedScreen() == this)
        ConversationActions::applicationDidEnterBackground();
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
}

ChatViewController* ChatViewController::displayed()
{
    return displayedScreen();
}

ui::CollectionView* ChatViewController::chatTableView() const
{
    return m_chatTableView;
}

KUserInputView* ChatViewController::userInputView() const
{
    return m_userInputView;
}

QuickReplyView* ChatViewController::quickReplyView() const
{
    return m_quickReplyView;
}

KNavBarView* ChatViewController::navBarView() const
{
    return m_navBarView;
}

// --- Building the screen --------------------------------------------------------

void ChatViewController::viewDidLoad()
{
    ViewController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::white());
    MyDataController::sharedInstance();
    setupNavBarView();
    setUpTableView();
    setupInputView();
    m_chatTableView->setAlpha(0);
    m_quickReplyView->setAlpha(0);
    observe(QString::fromLatin1(ShowWebViewNotification), &ChatViewController::showWebView);
    observe(QString::fromLatin1(SendMessageNotification), &ChatViewController::sendMessage);
    observe(QString::fromLatin1(SubmitEmailNotification), &ChatViewController::submitEmail);
    observe(SocketDisconnectNotification, &ChatViewController::socketDisconnect);
    observe(SocketConnectNotification, &ChatViewController::socketConnect);
    auto& center = foundation::NotificationCenter::defaultCenter();
    center.addObserver(
        this, ui::Application::didEnterBackgroundNotification,
        [this](const foundation::Notification&) { applicationDidEnterBackground(); });
    center.addObserver(this, ui::Application::didBecomeActiveNotification,
                       [this](const foundation::Notification&) { applicationDidBecomeActive(); });
}

void ChatViewController::observe(const char* name, void (ChatViewController::*handler)())
{
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(name),
        [this, handler](const foundation::Notification&) { (this->*handler)(); });
}

void ChatViewController::observe(
    const QString& name, void (ChatViewController::*handler)(const foundation::Notification&))
{
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, name, [this, handler](const foundation::Notification& notification) {
            (this->*handler)(notification);
        });
}

void ChatViewController::setupNavBarView()
{
    m_navBarView = new KNavBarView;
    m_navBarView->setTranslatesAutoresizingMaskIntoConstraints(false);
    view()->addSubview(m_navBarView);
    view()->addConstraints(QStringLiteral("H:|-0-[v0]-0-|"), {m_navBarView});
    view()->addConstraints(QStringLiteral("V:|-0-[v0(==%1)]").arg(navigationBarHeight),
                           {m_navBarView});
    m_navBarView->closeButton()->addTarget(ui::ControlEvent::TouchUpInside,
                                           [this](ui::Control*) { closeViewController(); });
    m_navBarView->setStatusViewVisisbility(false);
}

void ChatViewController::setUpTableView()
{
    auto layout = std::make_unique<ui::FlowLayout>();
    layout->setSectionInset(listSectionInset);
    m_chatTableView = new ui::CollectionView(QRectF(), std::move(layout));
    m_chatTableView->setKeyboardDismissMode(ui::KeyboardDismissMode::Interactive);
    m_chatTableView->setBackgroundColor(LIST_BACKGROUND_COLOR);
    m_chatTableView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_chatTableController = new ChatTableController(m_chatTableView);
    m_chatTableController->setParent(this);
    m_chatTableController->setParentController(this);
    ChatTableController::registerCells(*m_chatTableView);
    m_chatTableView->setDelegate(m_chatTableController);
    m_chatTableView->setDataSource(m_chatTableController);
    view()->addSubview(m_chatTableView);
    view()->addConstraints(QStringLiteral("H:|[v0]|"), {m_chatTableView});
    view()->addConstraints(QStringLiteral("V:|-%1-[v0]|").arg(navigationBarHeight),
                           {m_chatTableView});
    m_chatTableView->setContentInset(listInitialContentInset);
}

void ChatViewController::setupInputView()
{
    m_userInputView = new KUserInputView;
    m_userInputView->disableUserInteraction();
    m_userInputView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_userInputView->setBackgroundColor(ui::Color::white());
    m_userInputView->setDelegate(this);
    view()->addSubview(m_userInputView);
    const QString bar = QLatin1String(USER_INPUT_VIEW);
    ui::LayoutConstraint::activate(ui::LayoutConstraint::constraintsWithVisualFormat(
        QStringLiteral("H:|-0-[%1]-0-|").arg(bar),
        {{bar, m_userInputView}, {QLatin1String(SELF_VIEW), view()}}));
    ui::LayoutConstraint bottom(m_userInputView, ui::LayoutAttribute::Bottom,
                                ui::LayoutRelation::Equal, view(), ui::LayoutAttribute::Bottom);
    bottom.setActive(true);
    m_userInputView->setBottomConstraintOnSelf(bottom);
    addKeyboardObservers();
    setupQuickReplyView();
}

void ChatViewController::setupQuickReplyView()
{
    m_quickReplyView = new QuickReplyView;
    m_quickReplyView->setTranslatesAutoresizingMaskIntoConstraints(false);
    view()->insertSubviewBelow(m_quickReplyView, m_userInputView);
    view()->addConstraints(QStringLiteral("H:|[v0]|"), {m_quickReplyView});
    view()->addConstraints(QStringLiteral("V:[v0(==%1)]").arg(quickReplyHeight),
                           {m_quickReplyView});
    // Starts behind the input bar; the list lowers the constant to show it.
    ui::LayoutConstraint placement(m_quickReplyView, ui::LayoutAttribute::Bottom,
                                   ui::LayoutRelation::Equal, m_userInputView,
                                   ui::LayoutAttribute::Top, 1.0, quickReplyHeight);
    placement.setActive(true);
    m_quickReplyView->setTopBottomConstraint(placement);
}

// --- Lifecycle ------------------------------------------------------------------

void ChatViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    observe(WrongEmailFormatNotification, &ChatViewController::wrongEmailAlert);
}

void ChatViewController::viewWillDisappear(bool animated)
{
    ViewController::viewWillDisappear(animated);
    foundation::NotificationCenter::defaultCenter().removeObserver(
        this, QString::fromLatin1(WrongEmailFormatNotification));
}

void ChatViewController::viewDidAppear(bool animated)
{
    ViewController::viewDidAppear(animated);
    if (i != 0)
        return;
    i = 1;
    fitTextViewBelowNavigationBar();
    WebServiceManager::sharedInstance().connectClient();
    scrollToBottom(m_chatTableView, false);
    ui::CollectionView* list = m_chatTableView;
    QuickReplyView* strip = m_quickReplyView;
    ui::View::animate(firstFadeInDuration, [list, strip] {
        list->setAlpha(1);
        strip->setAlpha(1);
    });
    // Typed text goes to the input; Escape reaches the screen from anywhere
    // in its window.
    m_userInputView->inputTextView()->becomeFirstResponder();
    if (ui::Window* window = view()->window())
        window->installEventFilter(this);
}

bool ChatViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return ViewController::eventFilter(watched, event);
    if (presentedViewController())
        presentedViewController()->dismiss(true);
    else
        closeViewController();
    return true;
}

// --- Input bar and list ---------------------------------------------------------

void ChatViewController::setProperBottomInset()
{
    if (!m_chatTableView || !m_userInputView)
        return;
    ui::EdgeInsets inset = m_chatTableView->contentInset();
    inset.bottom = m_kbHeight + m_userInputView->bounds().height() +
                   (m_isShowingQuickReply ? quickReplyHeight : 0) + insetBelowLastBubble;
    m_chatTableView->setContentInset(inset);
}

// The text view may grow only as far as keeps the bar (and the strip above
// it) below the navigation bar.
void ChatViewController::fitTextViewBelowNavigationBar()
{
    if (!m_userInputView)
        return;
    const double room = view()->bounds().height() - navigationBarHeight - m_kbHeight -
                        inputBarInsets - (m_isShowingQuickReply ? quickReplyHeight : 0);
    m_userInputView->inputTextView()->setMaximumHeightForTextView(room);
}

void ChatViewController::userInputViewFrameChanged(const QRectF&)
{
    m_userInputView->layoutIfNeeded();
    setProperBottomInset();
    scrollToBottom(m_chatTableView, false);
}

void ChatViewController::quickReplyViewShowing(bool isShowingView)
{
    m_isShowingQuickReply = isShowingView;
    setProperBottomInset();
    fitTextViewBelowNavigationBar();
    scrollToBottom(m_chatTableView, true);
}

void ChatViewController::sendButtonClicked()
{
    const QString text = m_userInputView->getText();
    if (text.isEmpty())
        return;
    // The text stays in the input unless the message was stored.
    if (sendMessgeToServer(text, text) != ConversationActions::SendResult::sent)
        return;
    m_userInputView->inputTextView()->setText(QString());
    m_userInputView->inputTextView()->showHidePlaceHolderLabel();
}

ConversationActions::SendResult
ChatViewController::sendMessgeToServer(const QString& text, const QString& messageKeyword)
{
    KESVOR_ASSERT_MAIN_THREAD();
    const auto result = ConversationActions::sendMessgeToServer(text, messageKeyword);
    if (result == ConversationActions::SendResult::notConnected)
        showWaitForConnectionAlert();
    return result;
}

void ChatViewController::showWaitForConnectionAlert()
{
    auto* alert = new ui::AlertController(
        QStringLiteral("Alert"), QString::fromLatin1(ConversationActions::waitForConnectionMessage),
        ui::AlertControllerStyle::Alert);
    alert->addAction(ui::AlertAction(QStringLiteral("OK"), ui::AlertActionStyle::Default));
    present(alert, true);
}

void ChatViewController::closeViewController()
{
    KesvorWindows::dismiss();
}

// --- Notifications --------------------------------------------------------------

void ChatViewController::showWebView(const foundation::Notification& notification)
{
    if (const auto url = stringAt(notification.userInfo, "url"))
        WebViewController::open(this, *url, this);
}

void ChatViewController::sendMessage(const foundation::Notification& notification)
{
    const auto text = stringAt(notification.userInfo, "text");
    const auto keyword = stringAt(notification.userInfo, "messageKeyword");
    if (text && keyword)
        sendMessgeToServer(*text, *keyword);
}

void ChatViewController::submitEmail(const foundation::Notification& notification)
{
    if (ConversationActions::submitEmail(notification.userInfo) ==
        ConversationActions::SendResult::notConnected)
        showWaitForConnectionAlert();
}

void ChatViewController::wrongEmailAlert()
{
    KesvorAlertController::showAlertWithoutDismissal(wrongEmailMessage);
}

void ChatViewController::setConnected(bool connected)
{
    m_navBarView->setStatusViewVisisbility(connected);
    if (connected)
        m_userInputView->enableUserInteraction();
    else
        m_userInputView->disableUserInteraction();
}

void ChatViewController::socketConnect()
{
    setConnected(true);
}

void ChatViewController::socketDisconnect()
{
    setConnected(false);
}

void ChatViewController::applicationDidEnterBackground()
{
    ConversationActions::applicationDidEnterBackground();
}

void ChatViewController::applicationDidBecomeActive()
{
    ConversationActions::applicationDidBecomeActive();
}

// --- Keyboard -------------------------------------------------------------------

void ChatViewController::addKeyboardObservers()
{
    observe(ui::Keyboard::willShowNotification, &ChatViewController::keyboardWillShow);
    observe(ui::Keyboard::willHideNotification, &ChatViewController::keyboardWillHide);
}

void ChatViewController::removeKeyboardObservers()
{
    auto& center = foundation::NotificationCenter::defaultCenter();
    center.removeObserver(this, ui::Keyboard::willShowNotification);
    center.removeObserver(this, ui::Keyboard::willHideNotification);
}

void ChatViewController::viewAppearChange(bool isShowing)
{
    if (isShowing)
        removeKeyboardObservers();
    else
        addKeyboardObservers();
}

void ChatViewController::keyboardWillShow(const foundation::Notification& notification)
{
    const QRectF frame = notification.userInfo.value(ui::Keyboard::frameEndUserInfoKey).toRectF();
    m_userInputView->bottomConstraintOnSelf().setConstant(-frame.height());
    m_kbHeight = frame.height();
    setProperBottomInset();
    fitTextViewBelowNavigationBar();
    view()->setNeedsUpdateConstraints();
    ui::View* screen = view();
    ui::CollectionView* list = m_chatTableView;
    ui::View::animate(keyboardAnimationDuration, keyboardAnimation(notification.userInfo),
                      [screen, list] {
                          screen->layoutIfNeeded();
                          scrollToBottom(list, false);
                      });
}

void ChatViewController::keyboardWillHide(const foundation::Notification& notification)
{
    m_userInputView->bottomConstraintOnSelf().setConstant(0);
    m_kbHeight = 0;
    setProperBottomInset();
    fitTextViewBelowNavigationBar();
    view()->setNeedsUpdateConstraints();
    ui::View* screen = view();
    ui::View::animate(keyboardAnimationDuration, keyboardAnimation(notification.userInfo),
                      [screen] { screen->layoutIfNeeded(); });
}

} // namespace kesvor
