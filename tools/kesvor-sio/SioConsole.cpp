#include "kesvor-sio/SioConsole.h"

#include "foundation/Json.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QTimer>

#include <cerrno>
#include <unistd.h>

using kesvor::net::SocketAnyEvent;
using kesvor::net::SocketIOClient;
using kesvor::net::SocketIOStatus;

SioConsole::SioConsole(SocketIOClient& client, Settings settings, int inputFd, FILE* output,
                       FILE* diagnostics)
    : m_client(client)
    , m_settings(settings)
    , m_inputFd(inputFd)
    , m_output(output)
    , m_diagnostics(diagnostics)
    , m_notifier(inputFd, QSocketNotifier::Read)
{
    m_notifier.setEnabled(false);
    connect(&m_notifier, &QSocketNotifier::activated, this, &SioConsole::onInput);
}

void SioConsole::start()
{
    m_client.onAny([this](const SocketAnyEvent& event) { onEvent(event); });
    m_notifier.setEnabled(true);
    m_client.connect();
}

void SioConsole::onEvent(const SocketAnyEvent& event)
{
    QJsonArray line{event.event};
    for (const QVariant& item : event.items)
        line.append(kesvor::foundation::Json::toJsonValue(item));
    const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact);
    std::fprintf(m_output, "%s\n", text.constData());
    std::fflush(m_output);

    if (event.event == QLatin1String(SocketIOClient::connectEvent))
        flushPending();
    else if (event.event == QLatin1String(SocketIOClient::errorEvent) ||
             event.event == QLatin1String(SocketIOClient::disconnectEvent))
        // The client decides on reconnection after its handler has returned.
        QTimer::singleShot(0, this, &SioConsole::afterFailure);
}

void SioConsole::afterFailure()
{
    if (m_client.status() == SocketIOStatus::disconnected && !m_client.isReconnecting() &&
        !m_lingering)
        Q_EMIT finished(1);
}

void SioConsole::onInput()
{
    char chunk[4096];
    const ssize_t count = ::read(m_inputFd, chunk, sizeof chunk);
    if (count < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (count <= 0) {
        m_notifier.setEnabled(false);
        if (!m_buffer.isEmpty())
            onLine(std::exchange(m_buffer, {}));
        m_inputEnded = true;
        checkFinished();
        return;
    }
    m_buffer.append(chunk, count);
    qsizetype newline;
    while ((newline = m_buffer.indexOf('\n')) >= 0) {
        const QByteArray line = m_buffer.left(newline);
        m_buffer.remove(0, newline + 1);
        onLine(line);
    }
}

void SioConsole::onLine(const QByteArray& line)
{
    ++m_lineNumber;
    const QByteArray text = line.trimmed();
    if (text.isEmpty())
        return;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    const QJsonArray array = document.array();
    QString problem;
    if (error.error != QJsonParseError::NoError)
        problem = error.errorString();
    else if (!document.isArray() || array.isEmpty() || !array.first().isString())
        problem = QStringLiteral("not a JSON array starting with the event name");
    if (!problem.isEmpty()) {
        std::fprintf(m_diagnostics, "kesvor-sio: line %d ignored: %s\n", m_lineNumber,
                     qPrintable(problem));
        std::fflush(m_diagnostics);
        return;
    }
    QVariantList items = kesvor::foundation::Json::fromJsonValue(array).toList();
    const QString name = items.takeFirst().toString();
    m_pending.append({name, items});
    flushPending();
}

void SioConsole::flushPending()
{
    if (m_client.status() != SocketIOStatus::connected)
        return;
    for (const auto& [name, items] : std::exchange(m_pending, {}))
        m_client.emit(name, items);
    checkFinished();
}

void SioConsole::checkFinished()
{
    if (!m_inputEnded || !m_pending.isEmpty() || m_lingering || m_settings.lingerMs < 0)
        return;
    m_lingering = true;
    QTimer::singleShot(m_settings.lingerMs, this, [this] {
        m_client.disconnect();
        Q_EMIT finished(0);
    });
}
