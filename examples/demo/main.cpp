// A host application that links the Kesvor SDK the way a customer's app does:
// it hands over its business token and customer metadata at launch and opens
// the support conversation from a button.
#include "demo/HeadlessTour.h"

#include <kesvor/Kesvor.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTextStream>
#include <QtCore/QTimer>
#include <QtGui/QAccessible>
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
const QString greeting = QStringLiteral("Hello");
const QString botAnswer = QStringLiteral("Hello! How can I help you today?");
const QString messageInput = QStringLiteral("Message");
// Long enough for the list's animations to come to rest before the picture.
constexpr int settleMs = 1000;

QWidget* makeHostWindow()
{
    auto* window = new QWidget;
    window->setWindowTitle(QStringLiteral("Kesvor demo host"));
    window->resize(hostWidth, hostHeight);
    auto* layout = new QVBoxLayout(window);
    auto* title = new QLabel(
        QStringLiteral("A host application using Kesvor %1").arg(KesvorVersionNumber, 0, 'f', 1));
    title->setAlignment(Qt::AlignCenter);
    auto* support = new QPushButton(QStringLiteral("Contact support"));
    QObject::connect(support, &QPushButton::clicked, [] { Kesvor::show(); });
    layout->addStretch();
    layout->addWidget(title);
    layout->addWidget(support);
    layout->addStretch();
    return window;
}

// What the bot sends for a keyword, and a text that shows once it is on
// screen.
struct TemplateKind {
    const char* keyword;
    const char* shows;
    // Longer for pictures to arrive.
    int settleMs;
};

constexpr TemplateKind templateKinds[] = {
    {"cards", "Blue mug", 2500},
    {"buttons", "What would you like to do?", settleMs},
    {"choices", "Sorry, I am not sure what you mean. Did you mean one of these?", settleMs},
    {"quick", "What would you like to see?", settleMs},
    {"email", "Enter your email here:", settleMs},
};

// screenshot with "-kind" before its extension.
QString screenshotOf(const QString& screenshot, const QString& kind)
{
    const QFileInfo file(screenshot);
    return file.dir().filePath(file.completeBaseName() + u'-' + kind + QStringLiteral(".png"));
}

void addScreenshotStep(HeadlessTour& tour, QWidget* host, const QString& path, int settle)
{
    tour.addStep({QStringLiteral("taking a screenshot"),
                  [host, path] {
                      if (path.isEmpty())
                          return;
                      host->grab().save(path);
                      QTextStream(stdout) << "demo: screenshot " << path << "\n";
                  },
                  {},
                  0,
                  settle});
}

// Asks the bot for one kind of template by its keyword and keeps a picture
// of it.
void addTemplateSteps(HeadlessTour& tour, QWidget* host, const QString& screenshot,
                      const TemplateKind& kind)
{
    static int before = 0;
    const QString keyword = QString::fromLatin1(kind.keyword);
    const QString shows = QString::fromLatin1(kind.shows);
    tour.addStep({QStringLiteral("asking for \"%1\"").arg(keyword),
                  [&tour, keyword, shows] {
                      before = tour.count(QAccessible::StaticText, shows);
                      tour.typeInto(messageInput, keyword);
                      tour.pressIn(messageInput, Qt::Key_Return);
                  },
                  [&tour, shows] { return tour.count(QAccessible::StaticText, shows) > before; }});
    addScreenshotStep(tour, host,
                      screenshot.isEmpty() ? QString() : screenshotOf(screenshot, keyword),
                      kind.settleMs);
}

// The headless tour: open the conversation, send a greeting, wait for the
// bot's answer, and keep a picture of the screen; then ask for each kind of
// template and keep a picture of each. Bubbles are counted, so that an
// earlier conversation shown as history does not count.
void addTourSteps(HeadlessTour& tour, QWidget* host, const QString& screenshot)
{
    static int greetings = 0;
    static int answers = 0;
    tour.addStep(
        {QStringLiteral("opening the conversation"), [] { Kesvor::show(); },
         [&tour] { return tour.shows(QAccessible::Heading, QStringLiteral("Support Chat")); }});
    tour.addStep({QStringLiteral("sending \"%1\"").arg(greeting),
                  [&tour] {
                      greetings = tour.count(QAccessible::StaticText, greeting);
                      answers = tour.count(QAccessible::StaticText, botAnswer);
                      tour.typeInto(messageInput, greeting);
                  },
                  [&tour] {
                      if (tour.count(QAccessible::StaticText, greeting) > greetings)
                          return true;
                      // Until the room is open a send keeps the text: press again.
                      tour.pressIn(messageInput, Qt::Key_Return);
                      return false;
                  }});
    tour.addStep({QStringLiteral("waiting for the bot's answer"), {}, [&tour] {
                      return tour.count(QAccessible::StaticText, botAnswer) > answers;
                  }});
    addScreenshotStep(tour, host, screenshot, settleMs);
    for (const TemplateKind& kind : templateKinds)
        addTemplateSteps(tour, host, screenshot, kind);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("token"), QStringLiteral("Business token."),
                      QStringLiteral("token"), QStringLiteral("demo-business-token")});
    parser.addOption({QStringLiteral("headless"),
                      QStringLiteral("Open the conversation, send a message, wait for the "
                                     "bot's answer, then quit (status 0 only if it came).")});
    parser.addOption({QStringLiteral("screenshot"),
                      QStringLiteral("With --headless, save the screen to this PNG file."),
                      QStringLiteral("file")});
    parser.process(app);

    Kesvor::initWithToken(parser.value(QStringLiteral("token")));
    Kesvor::setMetaUserinfo(
        KesvorMetaUserInfo({{KUserInfoKey::KUserId, QStringLiteral("demo-1")},
                            {KUserInfoKey::KUsername, QStringLiteral("Demo")}}));

    std::unique_ptr<QWidget> host(makeHostWindow());
    host->show();
    QTextStream(stdout) << "Kesvor " << QString::number(KesvorVersionNumber, 'f', 1)
                        << " demo host running\n";
    if (!parser.isSet(QStringLiteral("headless")))
        return app.exec();
    HeadlessTour tour(host.get());
    addTourSteps(tour, host.get(), parser.value(QStringLiteral("screenshot")));
    QObject::connect(&tour, &HeadlessTour::finished,
                     [&](bool succeeded) { app.exit(succeeded ? 0 : 1); });
    QTimer::singleShot(0, &tour, &HeadlessTour::start);
    return app.exec();
}
