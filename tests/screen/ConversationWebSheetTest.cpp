#include "screen/ConversationTest.h"

#include "KUserInputView/KUserInputView.h"
#include "View/ChatViewController.h"
#include "View/WebViewController.h"
#include "support/ChatService.h"
#include "ui/Button.h"
#include "ui/Keyboard.h"
#include "web/WebTestPage.h"

#include <QtCore/QPointer>

using namespace kesvor;

namespace {

class ConversationWebSheetTest : public test::ConversationTest {
protected:
    QPointer<WebViewController> sheet() const
    {
        for (ui::ViewController* child : m_screen->childViewControllers())
            if (auto* sheet = qobject_cast<WebViewController*>(child))
                return sheet;
        return nullptr;
    }

    KUserInputView* bar() { return m_screen->userInputView(); }

    ui::Button* visibleButton(const QString& title) const
    {
        for (ui::Button* button : m_screen->view()->findChildren<ui::Button*>())
            if (button->title() == title && button->isVisible())
                return button;
        return nullptr;
    }

    ChatViewController* m_screen = nullptr;
};

} // namespace

TEST_F(ConversationWebSheetTest, ALinkOpensThePageAndItsDoneButtonSendsTheMessage)
{
    m_screen = &openScreen();
    ASSERT_TRUE(waitForSupportChat());
    const int signUps = service().receivedRequests("/user/api/v1/signup").size();

    // The bot answers "link" with a button to its form page; a click opens it.
    type("link");
    press(Qt::Key_Return);
    advance(1000);
    ui::Button* link = nullptr;
    ASSERT_TRUE(test::waitUntil([&] {
        m_screen->view()->layoutIfNeeded();
        link = visibleButton("Open the form");
        return link != nullptr;
    }));
    click(link);
    const QPointer<WebViewController> opened = sheet();
    ASSERT_TRUE(opened);
    advance(500 + 16);
    ASSERT_TRUE(
        test::waitUntil([&] { return opened->webView()->estimatedProgress() == 1; }, 20'000));

    // While the sheet is up the keyboard is the page's: the bar stays put.
    const QRectF barFrame = bar()->frame();
    ui::Keyboard::shared().setKeyboardFrame(true, QRectF(0, 568 - 216, 320, 216));
    advance(250);
    EXPECT_EQ(bar()->frame(), barFrame);
    EXPECT_EQ(m_screen->kbHeight(), 0);
    ui::Keyboard::shared().setKeyboardFrame(false, QRectF(0, 568, 320, 216));
    advance(250);

    ASSERT_TRUE(test::clickElement(*opened->webView(), "#bridge-done"));
    ASSERT_TRUE(test::waitUntil([&] { return opened->isClosing(); }, 20'000));
    advance(500 + 16);
    ASSERT_TRUE(test::waitUntil([&] { return !opened; }));

    // The page's message went out as the customer's, one second after it was stored.
    advance(1000);
    ASSERT_TRUE(test::waitUntil([&] {
        for (const QVariant& event : service().receivedEvents("chat-msg")) {
            const QVariantMap message = event.toMap()["items"].toList().value(0).toMap();
            if (message["msg"].toMap()["message"].toMap()["text"] == "I filled in the form")
                return message["msgKeyWord"] == "FORM_DONE";
        }
        return false;
    }));

    // Gone, the sheet gives the keyboard back; the screen did not start over.
    ui::Keyboard::shared().setKeyboardFrame(true, QRectF(0, 568 - 216, 320, 216));
    advance(250);
    EXPECT_EQ(m_screen->kbHeight(), 216);
    EXPECT_EQ(service().receivedRequests("/user/api/v1/signup").size(), signUps);
}
