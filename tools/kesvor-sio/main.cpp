// kesvor-sio: connects to a Socket.IO server and namespace, prints every event
// it receives as one JSON line [name, ...items] and emits every JSON array
// line it reads from standard input.

#include "kesvor-sio/SioConsole.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>

#include <cstdio>

using kesvor::net::SocketIOClient;
using kesvor::net::SocketIOClientOptions;
using kesvor::net::SocketIOProtocol;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kesvor-sio"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the events of a Socket.IO namespace as JSON lines [name, ...items] and "
        "emits each JSON array line read from standard input."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("url"),
                                 QStringLiteral("http(s) or ws(s) address of the server"));
    const QCommandLineOption nsp(QStringLiteral("nsp"), QStringLiteral("namespace (default /)"),
                                 QStringLiteral("name"), QStringLiteral("/"));
    const QCommandLineOption eio3(
        QStringLiteral("eio3"), QStringLiteral("Engine.IO 3 / Socket.IO 4 (socket.io 2 servers)"));
    const QCommandLineOption path(QStringLiteral("path"),
                                  QStringLiteral("Engine.IO path (default /socket.io/)"),
                                  QStringLiteral("path"), QStringLiteral("/socket.io/"));
    const QCommandLineOption noReconnect(QStringLiteral("no-reconnect"),
                                         QStringLiteral("give up when the connection drops"));
    const QCommandLineOption linger(
        QStringLiteral("linger"),
        QStringLiteral("after standard input ends and every line was sent, wait this long for "
                       "replies, then disconnect and exit (default: run until interrupted)"),
        QStringLiteral("ms"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("trace packets on standard error"));
    parser.addOptions({nsp, eio3, path, noReconnect, linger, log});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    bool lingerValid = true;
    const int lingerMs = parser.isSet(linger) ? parser.value(linger).toInt(&lingerValid) : -1;
    if (positional.size() != 1 || !lingerValid || (parser.isSet(linger) && lingerMs < 0)) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }

    SocketIOClientOptions options;
    options.nsp = parser.value(nsp);
    options.path = parser.value(path);
    options.protocol =
        parser.isSet(eio3) ? SocketIOProtocol::engineIO3 : SocketIOProtocol::engineIO4;
    options.reconnects = !parser.isSet(noReconnect);
    options.log = parser.isSet(log);
    SocketIOClient client(QUrl::fromUserInput(positional.first()), options);

    SioConsole console(client, {lingerMs});
    QObject::connect(&console, &SioConsole::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    console.start();
    return app.exec();
}
