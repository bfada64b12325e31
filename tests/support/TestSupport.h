#pragma once

#include <QtCore/QLoggingCategory>
#include <QtCore/QStringList>
#include <QtTest/QTest>

#include <functional>
#include <mutex>

namespace kesvor::test {

/// Runs the event loop until condition holds or timeoutMs passes.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

/// Collects the messages of one logging category while it exists.
class LogCapture {
public:
    explicit LogCapture(const char* category = "kesvor.debug");
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& text) const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    QByteArray m_category;
    mutable std::mutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous;
};

} // namespace kesvor::test
