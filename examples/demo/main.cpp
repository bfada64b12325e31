// A host application that links the Kesvor SDK the way a customer's app does:
// it hands over its business token and customer metadata at launch and opens
// the support conversation from a button.
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
constexpr int headlessRunMs = 1500;

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

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("token"), QStringLiteral("Business token."),
                      QStringLiteral("token"), QStringLiteral("demo-business-token")});
    parser.addOption({QStringLiteral("headless"),
                      QStringLiteral("Open the support window at once, then quit.")});
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
    QTextStream(stdout)
        << "Kesvor " << QString::number(KesvorVersionNumber, 'f', 1)
        << " demo host running; the conversation screen arrives in a later release.\n";
    if (parser.isSet(QStringLiteral("headless"))) {
        QTimer::singleShot(0, [] { Kesvor::show(); });
        QTimer::singleShot(headlessRunMs, [&] {
            const QString file = parser.value(QStringLiteral("screenshot"));
            if (!file.isEmpty())
                host->grab().save(file);
            app.quit();
        });
    }
    return app.exec();
}
