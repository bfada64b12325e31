#include "support/TestSupport.h"

#include <QtCore/QDir>
#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace kesvor::test {

namespace {
std::atomic<LogCapture*> activeCapture{nullptr};
}

QString saveScreenshotIfFailed(QWidget& window)
{
    if (!::testing::Test::HasFailure())
        return {};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString folder = QStringLiteral(KESVOR_BINARY_DIR "/tests/failures");
    QDir().mkpath(folder);
    // Parameterised tests have slashes in their names.
    const QString file =
        QStringLiteral("%1.%2.png")
            .arg(QString::fromUtf8(info->test_suite_name()), QString::fromUtf8(info->name()))
            .replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString path = folder + QLatin1Char('/') + file;
    window.grab().save(path);
    return path;
}

LogCapture::LogCapture(const char* category)
    : m_category(category)
{
    activeCapture.store(this);
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    activeCapture.store(nullptr);
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    LogCapture* capture = activeCapture.load();
    if (capture && context.category && capture->m_category == context.category) {
        const std::lock_guard lock(capture->m_mutex);
        capture->m_lines.append(message);
        return;
    }
    if (capture && capture->m_previous)
        capture->m_previous(type, context, message);
}

QStringList LogCapture::lines() const
{
    const std::lock_guard lock(m_mutex);
    return m_lines;
}

bool LogCapture::contains(const QString& text) const
{
    const std::lock_guard lock(m_mutex);
    return std::any_of(m_lines.begin(), m_lines.end(),
                       [&](const QString& line) { return line.contains(text); });
}

} // namespace kesvor::test
