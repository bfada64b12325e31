#pragma once

#include "net/SocketIOClient.h"

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QSocketNotifier>
#include <QtCore/QStringList>

#include <cstdio>

/// Joins a Socket.IO client to standard input and output: every event the
/// client delivers becomes one JSON line [name, ...items] on standard output;
/// every JSON array line read from standard input is emitted as an event.
/// Lines read while the client is not connected wait for the connection.
class SioConsole : public QObject {
    Q_OBJECT
public:
    struct Settings {
        /// After standard input has ended and every line was sent, wait this
        /// long for replies and quit; negative: stay until interrupted.
        int lingerMs = -1;
    };

    SioConsole(kesvor::net::SocketIOClient& client, Settings settings, int inputFd = 0,
               FILE* output = stdout, FILE* diagnostics = stderr);

    /// Connects the client and starts reading input.
    void start();

Q_SIGNALS:
    /// The session is over: standard input ended and lingered, or the
    /// connection failed for good (exit code 1).
    void finished(int exitCode);

private:
    void onEvent(const kesvor::net::SocketAnyEvent& event);
    void onInput();
    void onLine(const QByteArray& line);
    void flushPending();
    void checkFinished();
    void afterFailure();

    kesvor::net::SocketIOClient& m_client;
    Settings m_settings;
    int m_inputFd;
    FILE* m_output;
    FILE* m_diagnostics;
    QSocketNotifier m_notifier;
    QByteArray m_buffer;
    QList<std::pair<QString, QVariantList>> m_pending;
    int m_lineNumber = 0;
    bool m_inputEnded = false;
    bool m_lingering = false;
};
