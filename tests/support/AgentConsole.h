#pragma once

#include <QtCore/QProcess>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

namespace kesvor::test {

class ChatService;

/// The stand-in service's agent console, open in a real browser (Chromium,
/// through the service's console driver), played by the test: it picks a
/// room, answers, sends rich messages and marks messages seen, as a support
/// agent does with a mouse and a keyboard. The browser closes when this
/// object goes.
class AgentConsole {
public:
    AgentConsole() = default;
    ~AgentConsole();
    AgentConsole(const AgentConsole&) = delete;
    AgentConsole& operator=(const AgentConsole&) = delete;

    /// Opens the console of service's business; false (see error()) when the
    /// page did not connect.
    bool open(const ChatService& service, int timeoutMs = 60'000);
    QString error() const { return m_error; }

    /// Runs one driver command ({"cmd": ...}) and returns its answer; an
    /// answer with "ok" false, or none in time, gives {} and sets error().
    QVariantMap run(const QVariantMap& command, int timeoutMs = 30'000);

private:
    QVariantMap readAnswer(int timeoutMs);

    QProcess m_driver;
    QByteArray m_output;
    QString m_error;
};

} // namespace kesvor::test
