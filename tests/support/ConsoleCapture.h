#pragma once

#include <QtCore/QStringList>
#include <QtCore/QTemporaryFile>

namespace kesvor::test {

/// Collects what the process writes to standard output (the SDK's console
/// lines) while it exists; afterwards the text goes to the real standard
/// output too, so test-framework messages written meanwhile are not lost.
class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    /// The complete lines written so far.
    QStringList lines() const;
    int count(const QString& line) const { return int(lines().count(line)); }

private:
    QTemporaryFile m_file;
    int m_savedStdout = -1;
};

} // namespace kesvor::test
