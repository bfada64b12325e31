#include "support/AgentConsole.h"

#include "support/ChatService.h"
#include "support/TestSupport.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QStandardPaths>

namespace kesvor::test {

AgentConsole::~AgentConsole()
{
    if (m_driver.state() == QProcess::NotRunning)
        return;
    // End of input closes the browser; a driver that hangs is killed.
    m_driver.closeWriteChannel();
    if (!m_driver.waitForFinished(10'000)) {
        m_driver.kill();
        m_driver.waitForFinished(5'000);
    }
}

bool AgentConsole::open(const ChatService& service, int timeoutMs)
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty()) {
        m_error = QStringLiteral("node is not installed");
        return false;
    }
    m_driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_driver.start(
        node, {QStringLiteral(KESVOR_SOURCE_DIR "/tools/chat-service/test/agent-console-driver.js"),
               QStringLiteral("--service"), service.baseUrl(), QStringLiteral("--token"),
               service.token()});
    if (!m_driver.waitForStarted()) {
        m_error = QStringLiteral("the console driver did not start: ") + m_driver.errorString();
        return false;
    }
    const QVariantMap ready = readAnswer(timeoutMs);
    if (!ready.value(QStringLiteral("ready")).toBool()) {
        m_error = QStringLiteral("the console did not connect: ") +
                  ready.value(QStringLiteral("error"), m_error).toString();
        return false;
    }
    return true;
}

QVariantMap AgentConsole::run(const QVariantMap& command, int timeoutMs)
{
    m_driver.write(QJsonDocument::fromVariant(command).toJson(QJsonDocument::Compact) + '\n');
    QVariantMap answer = readAnswer(timeoutMs);
    if (!answer.value(QStringLiteral("ok")).toBool()) {
        m_error = answer.value(QStringLiteral("error"), m_error).toString();
        return {};
    }
    return answer;
}

QVariantMap AgentConsole::readAnswer(int timeoutMs)
{
    const bool lineIn = waitUntil(
        [&] {
            m_output += m_driver.readAllStandardOutput();
            return m_output.contains('\n') || m_driver.state() == QProcess::NotRunning;
        },
        timeoutMs);
    const qsizetype end = m_output.indexOf('\n');
    if (!lineIn || end < 0) {
        m_error = QStringLiteral("no answer from the console driver");
        return {};
    }
    const QByteArray line = m_output.left(end);
    m_output.remove(0, end + 1);
    return QJsonDocument::fromJson(line).toVariant().toMap();
}

} // namespace kesvor::test
