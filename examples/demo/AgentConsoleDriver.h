#pragma once

#include <QtCore/QObject>
#include <QtCore/QProcess>
#include <QtCore/QVariantMap>

/// The stand-in service's agent console, open in a browser the tour drives
/// (the service's own console driver), so that the tour can play the
/// support agent. Commands are answered in order; the tour polls.
class AgentConsoleDriver : public QObject {
    Q_OBJECT
public:
    /// driverCommand: the program and arguments that start the driver.
    explicit AgentConsoleDriver(QStringList driverCommand, QObject* parent = nullptr);
    ~AgentConsoleDriver() override;

    void start();
    /// True once the console page is connected.
    bool isReady() const { return m_ready; }
    /// A line of the driver's standard error or its end, when it failed.
    QString error() const { return m_error; }

    /// Sends a command; its answer comes later (answered()).
    int send(QVariantMap command);
    /// The answer to command id once it came (with "ok"), else nothing.
    std::optional<QVariantMap> answered(int id) const;

private:
    void readLines();

    QStringList m_command;
    QProcess m_process;
    QByteArray m_buffer;
    bool m_ready = false;
    QString m_error;
    int m_nextId = 1;
    QMap<int, QVariantMap> m_answers;
};
