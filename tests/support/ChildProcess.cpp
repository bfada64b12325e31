#include "support/ChildProcess.h"

#include "support/TestSupport.h"

namespace kesvor::test {

ChildProcess::~ChildProcess()
{
    kill();
}

bool ChildProcess::start(const QStringList& arguments)
{
    m_output.clear();
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(KESVOR_TEST_CHILD), arguments);
    return m_process.waitForStarted();
}

bool ChildProcess::waitForLine(const QString& line, int timeoutMs)
{
    const QByteArray wanted = line.toUtf8();
    return waitUntil(
        [&] {
            m_output += m_process.readAllStandardOutput();
            while (true) {
                const qsizetype end = m_output.indexOf('\n');
                if (end < 0)
                    return false;
                const QByteArray next = m_output.left(end);
                m_output.remove(0, end + 1);
                if (next == wanted)
                    return true;
            }
        },
        timeoutMs);
}

void ChildProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

bool ChildProcess::waitForSuccess(int timeoutMs)
{
    return m_process.waitForFinished(timeoutMs) && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
}

} // namespace kesvor::test
