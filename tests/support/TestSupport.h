#pragma once

#include <QtCore/QLoggingCategory>
#include <QtCore/QStringList>
#include <QtTest/QTest>

#include <functional>

class QWidget;
#include <mutex>

namespace kesvor::test {

/// Runs the event loop until condition holds or timeoutMs passes.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

/// Saves a picture of window to <build>/tests/failures/<suite>.<test>.png when
/// the running test has failed; the path, or nothing.
QString saveScreenshotIfFailed(QWidget& window);

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

/// Frames are exact: the constraints' numbers, not approximations.
#define EXPECT_FRAME(view, fx, fy, fw, fh)                                                         \
    EXPECT_EQ((view)->frame(), QRectF((fx), (fy), (fw), (fh)))                                     \
        << "frame is " << (view)->frame().x() << ", " << (view)->frame().y() << ", "               \
        << (view)->frame().width() << " x " << (view)->frame().height()
