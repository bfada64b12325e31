// A host application that links the Kesvor SDK the way a customer's app does.
// Everything an integration needs is in this file:
//   1. at launch: initWithToken(), the customer's metadata, the device token
//      from the push provider and the launch options;
//   2. a "Contact support" button that calls show();
//   3. the push provider's callback handing notifications to the SDK;
//   4. clearChat() when the user wants the local history gone.
// The rest (the headless tour) only exists so that scripts/demo can show the
// product without a display.
#include "demo/DemoTour.h"

#include <kesvor/Kesvor.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QTextStream>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>
#include <QtWidgets/QWidget>

using kesvor::Kesvor;
using kesvor::KesvorMetaUserInfo;
using kesvor::KUserInfoKey;

namespace {

constexpr int hostWidth = 390;
constexpr int hostHeight = 844;
const QString demoCustomerId = QStringLiteral("demo-1");

// What a push provider delivers for a new chat message: the SDK recognises
// its own notifications by the category of their "aps" object.
QVariantMap chatPushPayload(const QString& text)
{
    return {{QStringLiteral("aps"),
             QVariantMap{{QStringLiteral("category"), QStringLiteral(KESVOR_DEMO_PUSH_CATEGORY)},
                         {QStringLiteral("alert"), text}}}};
}

QPushButton* addButton(QVBoxLayout* layout, const QString& title, std::function<void()> action)
{
    auto* button = new QPushButton(title);
    QObject::connect(button, &QPushButton::clicked, std::move(action));
    layout->addWidget(button);
    return button;
}

QWidget* makeHostWindow()
{
    auto* window = new QWidget;
    window->setWindowTitle(QStringLiteral("Kesvor demo host"));
    window->resize(hostWidth, hostHeight);
    auto* layout = new QVBoxLayout(window);
    auto* title = new QLabel(
        QStringLiteral("A host application using Kesvor %1").arg(KesvorVersionNumber, 0, 'f', 1));
    title->setAlignment(Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(title);
    addButton(layout, QStringLiteral("Contact support"), [] { Kesvor::show(); });
    addButton(layout, QStringLiteral("Clear chat history"), [] { Kesvor::clearChat(); });
    // Stands in for the push provider: a real app calls
    // didReceiveRemoteNotification from its own push handling.
    addButton(layout, QStringLiteral("Simulate a push notification"), [] {
        Kesvor::didReceiveRemoteNotification(
            chatPushPayload(QStringLiteral("An agent answered your question")));
    });
    layout->addStretch();
    return window;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption token(QStringLiteral("token"), QStringLiteral("Business token."),
                                   QStringLiteral("token"), QStringLiteral("demo-business-token"));
    const QCommandLineOption launchedFromPush(
        QStringLiteral("launched-from-push"),
        QStringLiteral("Start as if the user tapped a chat notification: the conversation opens."));
    const QCommandLineOption push(
        QStringLiteral("push"),
        QStringLiteral("Deliver a chat notification with this text once the host is up."),
        QStringLiteral("text"));
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Run the scripted tour instead of waiting for a person; status 0 only if "
                       "every step was seen on screen."));
    const QCommandLineOption screenshots(
        QStringLiteral("screenshots"),
        QStringLiteral("With --headless, the folder for one picture per step and a contact sheet."),
        QStringLiteral("folder"));
    const QCommandLineOption agentConsole(
        QStringLiteral("agent-console"),
        QStringLiteral("With --headless, the command (words separated by spaces) that starts the "
                       "agent console's driver, so that the tour can answer as the agent."),
        QStringLiteral("command"));
    parser.addOptions({token, launchedFromPush, push, headless, screenshots, agentConsole});
    parser.process(app);

    // 1. At launch: the business token, who the customer is, the push token.
    Kesvor::initWithToken(parser.value(token));
    Kesvor::setMetaUserinfo(
        KesvorMetaUserInfo({{KUserInfoKey::KUserId, demoCustomerId},
                            {KUserInfoKey::KUsername, QStringLiteral("Demo")}}));
    Kesvor::didRegisterForRemoteNotifications(QByteArray::fromHex("de0c0ffee0"));

    std::unique_ptr<QWidget> host(makeHostWindow());
    host->show();
    QVariantMap launchOptions;
    if (parser.isSet(launchedFromPush))
        launchOptions.insert(Kesvor::launchOptionsRemoteNotificationKey(),
                             chatPushPayload(QStringLiteral("Welcome back")));
    Kesvor::handleLaunchOptions(launchOptions);
    if (parser.isSet(push))
        QTimer::singleShot(0, [text = parser.value(push)] {
            Kesvor::didReceiveRemoteNotification(chatPushPayload(text));
        });
    QTextStream(stdout) << "Kesvor " << QString::number(KesvorVersionNumber, 'f', 1)
                        << " demo host running\n";
    if (!parser.isSet(headless))
        return app.exec();

    DemoTour tour(
        host.get(),
        {parser.value(screenshots),
         [] { return chatPushPayload(QStringLiteral("An agent answered your question")); },
         parser.value(agentConsole).split(QLatin1Char(' '), Qt::SkipEmptyParts), demoCustomerId});
    QObject::connect(&tour, &DemoTour::finished,
                     [&](bool succeeded) { app.exit(succeeded ? 0 : 1); });
    QTimer::singleShot(0, &tour, &DemoTour::start);
    return app.exec();
}
