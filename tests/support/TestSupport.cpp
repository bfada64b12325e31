#include "support/TestSupport.h"

#include <atomic>
#include <mutex>

namespace kesvor::test {

namespace {
std::atomic<LogCapture*> activeCapture{nullptr};
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
