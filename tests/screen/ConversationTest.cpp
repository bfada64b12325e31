#include "screen/ConversationTest.h"

#include "Cells/ChatBubble.h"
#include "KTextView/KTextView.h"
#include "KUserInputView/KUserInputView.h"
#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorWindows.h"
#include "Store/MyDataController.h"
#include "View/ChatViewController.h"
#include "View/CustomDateFormatter.h"
#include "View/KNavBarView.h"
#include "foundation/Clock.h"
#include "kesvor/Kesvor.h"
#include "support/TestSupport.h"
#include "ui/CollectionView.h"
#include "ui/Label.h"
#include "ui/Window.h"

#include <QtCore/QElapsedTimer>
#include <QtGui/QWheelEvent>
#include <QtTest/QTest>
#include <QtWidgets/QTextEdit>

namespace kesvor::test {

void ConversationTest::SetUp()
{
    SdkSessionTest::SetUp();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Kesvor::initWithToken(service().token());
    foundation::Clock::shared().setManual(true);
}

void ConversationTest::TearDown()
{
    SdkSessionTest::TearDown();
    foundation::Clock::shared().setManual(false);
}

ChatViewController& ConversationTest::openScreen()
{
    Kesvor::show();
    m_screen = ChatViewController::displayed();
    EXPECT_TRUE(m_screen);
    // The window slides up; the screen appears once the event loop ran.
    advance(300);
    EXPECT_TRUE(waitUntil([&] { return m_screen->isAppeared(); }));
    advance(1000);
    return *m_screen;
}

bool ConversationTest::waitForSupportChat(int timeoutMs)
{
    return waitWhileTimePasses(
        [&] {
            const auto record = KesvorLocalStorage::storedUser();
            const QVariant roomId = record ? record->value("roomId") : QVariant();
            return !m_screen->navBarView()->titleLabel()->isHidden() &&
                   roomId.typeId() == QMetaType::QString && !roomId.toString().isEmpty();
        },
        timeoutMs);
}

QString ConversationTest::customerId()
{
    return KesvorLocalStorage::storedUser().value_or(QVariantMap())["userId"].toString();
}

bool ConversationTest::waitWhileTimePasses(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        // A moment of real time for the network, then the clock follows.
        if (waitUntil(condition, 5))
            return true;
        if (elapsed.elapsed() > timeoutMs)
            return false;
        advance(50);
    }
}

void ConversationTest::advance(double ms)
{
    foundation::Clock::shared().advance(ms);
    QCoreApplication::processEvents();
}

void ConversationTest::click(ui::View* view)
{
    // In the host's coordinates: the SDK's windows lie in the host.
    const QPoint centre = view->convert(view->bounds().center(), nullptr).toPoint();
    QTest::mouseClick(host().windowHandle(), Qt::LeftButton, {}, centre);
    QCoreApplication::processEvents();
}

void ConversationTest::type(const QString& text)
{
    QTest::keyClicks(m_screen->userInputView()->inputTextView()->textEdit(), text);
}

void ConversationTest::press(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_screen->userInputView()->inputTextView()->textEdit(), key, modifiers);
}

QList<ChatBubble*> ConversationTest::bubblesShowing(const QString& text)
{
    QList<ChatBubble*> found;
    for (const ui::IndexPath& indexPath : list()->indexPathsForVisibleItems()) {
        auto* bubble = qobject_cast<ChatBubble*>(list()->cellForItem(indexPath));
        if (bubble && bubble->messageLabel()->text() == text)
            found.append(bubble);
    }
    return found;
}

ChatBubble* ConversationTest::waitForBubble(const QString& text, int timeoutMs)
{
    waitUntil(
        [&] {
            m_screen->view()->layoutIfNeeded();
            return bubblesShowing(text).size() == 1;
        },
        timeoutMs);
    const QList<ChatBubble*> found = bubblesShowing(text);
    return found.size() == 1 ? found.first() : nullptr;
}

ui::CollectionView* ConversationTest::list()
{
    return m_screen->chatTableView();
}

void ConversationTest::wheelToTop()
{
    const QPointF at(160, 200);
    QWheelEvent wheel(at, list()->mapToGlobal(at), QPoint(), QPoint(0, 120 * 1000), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list(), &wheel);
    QCoreApplication::processEvents();
    list()->layoutIfNeeded();
}

void ConversationTest::storeHistory(int count)
{
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-60 * count);
    QVariantList chats;
    for (int i = 0; i < count; ++i)
        chats.append(QVariantMap{
            {"msgFrom", "bot"},
            {"msgTo", "someone"},
            {"msg",
             QVariantMap{{"message", QVariantMap{{"text", QStringLiteral("message %1").arg(i)}}}}},
            {"roomId", "room"},
            {"createdOn",
             CustomDateFormatter().RFC3339DateFormatter.stringFromDate(start.addSecs(60 * i))},
            {"senderIdentity", "bot"},
            {"senderRole", "bot"},
            {"approvedByAgent", "approved"},
            {"_id", QStringLiteral("history-%1").arg(i)},
            {"messageSentToCustomerStatus", "seen"},
        });
    MyDataController::sharedInstance().addChats(chats, [](const QList<Chat>&) {});
    waitForStore();
}

} // namespace kesvor::test
