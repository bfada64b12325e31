#pragma once

#include "support/SdkSessionTest.h"

#include <QtCore/QPointer>

#include <functional>

namespace kesvor {

class ChatViewController;
class ChatBubble;

namespace ui {
class CollectionView;
class View;
} // namespace ui

namespace test {

/// The conversation screen opened by Kesvor::show() over a 320 × 568 host,
/// against the stand-in service, driven as a user drives it: clicks and keys
/// go through the host's window to whatever lies under them. The clock that
/// runs animations and the send delay is driven by the test.
class ConversationTest : public SdkSessionTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Opens the screen and lets it slide up.
    ChatViewController& openScreen();
    ChatViewController& screen() { return *m_screen; }
    /// Waits until the title shows "Support Chat" (the session is connected)
    /// and the customer's room is open, so that messages can be sent.
    bool waitForSupportChat(int timeoutMs = 15'000);
    /// The stored customer's id.
    static QString customerId();

    /// Moves the driven clock (animations, the send delay, the socket's
    /// reconnection waits).
    static void advance(double ms);
    /// Waits for condition while the driven clock moves on with real time, so
    /// that timed work the condition needs (a reconnection's back-off) runs.
    static bool waitWhileTimePasses(const std::function<bool()>& condition, int timeoutMs = 15'000);
    /// A click where a user would click: at the view's centre, delivered to
    /// the host's window, which hands it to whatever lies there.
    void click(ui::View* view);
    /// Keys typed into the input.
    void type(const QString& text);
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {});

    /// The list's cells on screen showing text, top first.
    QList<ChatBubble*> bubblesShowing(const QString& text);
    /// Waits until exactly one cell shows text.
    ChatBubble* waitForBubble(const QString& text, int timeoutMs = 10'000);

    /// The message list.
    ui::CollectionView* list();
    /// A turn of the mouse wheel towards the top, far enough to reach it.
    void wheelToTop();

    /// Stored messages from the bot, one minute apart today, oldest first,
    /// each with the text "message N".
    static void storeHistory(int count);

private:
    QPointer<ChatViewController> m_screen;
};

} // namespace test
} // namespace kesvor
