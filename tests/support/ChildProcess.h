#pragma once

#include <QtCore/QProcess>
#include <QtCore/QStringList>

namespace kesvor::test {

/// tests/child/TestChild.cpp run as a child process with this process's
/// environment, to be killed part-way. It is killed when this object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Starts the child with arguments; false when it could not be started.
    bool start(const QStringList& arguments);
    /// Runs the event loop until the child printed line (a line of its
    /// standard output), or it ended, or timeoutMs passed.
    bool waitForLine(const QString& line, int timeoutMs = 30'000);
    /// Kills the child at once (SIGKILL) and waits until it is gone.
    void kill();
    /// Waits until the child ends; true when it ended by itself with status 0.
    bool waitForSuccess(int timeoutMs = 60'000);

private:
    QProcess m_process;
    QByteArray m_output;
};

} // namespace kesvor::test
