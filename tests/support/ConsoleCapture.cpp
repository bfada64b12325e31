#include "support/ConsoleCapture.h"

#include <cstdio>
#include <unistd.h>

namespace kesvor::test {

ConsoleCapture::ConsoleCapture()
{
    if (!m_file.open())
        return;
    std::fflush(stdout);
    m_savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(m_file.handle(), STDOUT_FILENO);
}

ConsoleCapture::~ConsoleCapture()
{
    if (m_savedStdout < 0)
        return;
    std::fflush(stdout);
    ::dup2(m_savedStdout, STDOUT_FILENO);
    ::close(m_savedStdout);
    QFile file(m_file.fileName());
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray captured = file.readAll();
        std::fwrite(captured.constData(), 1, size_t(captured.size()), stdout);
        std::fflush(stdout);
    }
}

QStringList ConsoleCapture::lines() const
{
    std::fflush(stdout);
    QFile file(m_file.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeLast(); // what follows the last newline is not a complete line
    return lines;
}

} // namespace kesvor::test
