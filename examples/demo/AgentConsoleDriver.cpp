#include "demo/AgentConsoleDriver.h"

#include <QtCore/QJsonDocument>

AgentConsoleDriver::AgentConsoleDriver(QStringList driverCommand, QObject* parent)
    : QObject(parent)
    , m_command(std::move(driverCommand))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &AgentConsoleDriver::readLines);
    connect(&m_process, &QProcess::finished, this,
            [this] { m_error = QStringLiteral("the agent console driver ended"); });
}

AgentConsoleDriver::~AgentConsoleDriver()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // End of input closes the browser.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10'000))
        m_process.kill();
}

void AgentConsoleDriver::start()
{
    if (m_command.isEmpty()) {
        m_error = QStringLiteral("no agent console driver given");
        return;
    }
    m_process.start(m_command.first(), m_command.mid(1));
}

int AgentConsoleDriver::send(QVariantMap command)
{
    const int id = m_nextId++;
    command.insert(QStringLiteral("id"), id);
    m_process.write(QJsonDocument::fromVariant(command).toJson(QJsonDocument::Compact) + '\n');
    return id;
}

std::optional<QVariantMap> AgentConsoleDriver::answered(int id) const
{
    if (!m_answers.contains(id))
        return std::nullopt;
    return m_answers.value(id);
}

void AgentConsoleDriver::readLines()
{
    m_buffer += m_process.readAllStandardOutput();
    for (qsizetype end = m_buffer.indexOf('\n'); end >= 0; end = m_buffer.indexOf('\n')) {
        const QVariantMap line = QJsonDocument::fromJson(m_buffer.left(end)).toVariant().toMap();
        m_buffer.remove(0, end + 1);
        if (line.contains(QStringLiteral("ready"))) {
            m_ready = line.value(QStringLiteral("ready")).toBool();
            if (!m_ready)
                m_error = line.value(QStringLiteral("error")).toString();
        } else if (line.contains(QStringLiteral("id"))) {
            m_answers.insert(line.value(QStringLiteral("id")).toInt(), line);
        }
    }
}
