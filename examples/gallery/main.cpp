// A gallery of the view toolkit: every control laid out by visual-format
// strings in an SDK window over a host window, and the collection views.
//
//   kesvor-gallery                          an interactive window
//   kesvor-gallery --screenshot file.png    writes a picture and exits (works
//                                           under QT_QPA_PLATFORM=offscreen)
//   kesvor-gallery --alert ...              with the alert shown
//   kesvor-gallery --lists ...              the card strip and the long list
//   kesvor-gallery --lists --scroll-to 1200 ...  the list from message 1200
#include "gallery/GalleryController.h"
#include "gallery/ListsController.h"

#include "ui/Application.h"
#include "ui/Color.h"
#include "ui/Window.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QTextStream>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

namespace {

constexpr int screenWidth = 375;
constexpr int screenHeight = 667;
// Long enough for the first layout pass and the window to be drawn.
constexpr int settleMs = 400;

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kesvor-gallery"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Kesvor view toolkit's controls."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Write a picture to <file> and exit."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    const QCommandLineOption alert(QStringLiteral("alert"), QStringLiteral("Show the alert."));
    parser.addOption(alert);
    const QCommandLineOption lists(QStringLiteral("lists"),
                                   QStringLiteral("Show the collection views."));
    parser.addOption(lists);
    const QCommandLineOption scrollTo(QStringLiteral("scroll-to"),
                                      QStringLiteral("Scroll the list to message <n>."),
                                      QStringLiteral("n"));
    parser.addOption(scrollTo);
    parser.process(app);

    QWidget host;
    host.setWindowTitle(QStringLiteral("Kesvor gallery"));
    host.resize(screenWidth, screenHeight);
    host.show();
    kesvor::ui::Application::shared().setHostWindow(&host);

    auto* window = new kesvor::ui::Window(QRectF(0, 0, screenWidth, screenHeight));
    if (parser.isSet(lists)) {
        auto* controller = new kesvor::gallery::ListsController;
        window->setRootViewController(controller);
        window->makeKeyAndVisible();
        if (parser.isSet(scrollTo))
            controller->scrollListTo(parser.value(scrollTo).toInt());
    } else {
        auto* gallery = new kesvor::gallery::GalleryController;
        window->setRootViewController(gallery);
        window->makeKeyAndVisible();
        if (parser.isSet(alert))
            gallery->showAlert();
    }

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(settleMs, &app, [&host, file] {
            const bool saved = host.grab().save(file);
            QTextStream(saved ? stdout : stderr)
                << (saved ? "Wrote " : "Could not write ") << file << '\n';
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
