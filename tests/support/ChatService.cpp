#include "support/ChatService.h"

#include "foundation/Json.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtCore/QTimer>
#include <QtCore/QUrlQuery>
#include <QtNetwork/QNetworkAccessManager>
#include <QtNetwork/QNetworkReply>

#include <csignal>
#include <sys/prctl.h>

namespace kesvor::test {

namespace {

constexpr int requestTimeoutMs = 10'000;

QString serviceDirectory()
{
    return QStringLiteral(KESVOR_SOURCE_DIR "/tools/chat-service");
}

} // namespace

ChatService::ChatService(ChatServiceOptions options)
    : m_options(std::move(options))
    , m_port(m_options.port)
    , m_network(std::make_unique<QNetworkAccessManager>())
{
}

ChatService::~ChatService()
{
    stop();
}

QStringList ChatService::arguments() const
{
    QStringList arguments{QDir(serviceDirectory()).filePath(QStringLiteral("server.js")),
                          QStringLiteral("--port"),
                          QString::number(m_port),
                          QStringLiteral("--bot-delay"),
                          QString::number(m_options.botDelayMs),
                          QStringLiteral("--ping-interval"),
                          QString::number(m_options.pingIntervalMs),
                          QStringLiteral("--ping-timeout"),
                          QString::number(m_options.pingTimeoutMs)};
    for (const QString& token : m_options.tokens)
        arguments << QStringLiteral("--token") << token;
    if (m_options.ntp)
        arguments << QStringLiteral("--ntp-port") << QString::number(m_ntpPort);
    if (m_options.keepsState)
        arguments << QStringLiteral("--state-file")
                  << m_stateDirectory.filePath(QStringLiteral("state.json"));
    return arguments + m_options.extraArguments;
}

bool ChatService::start()
{
    stop();
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty()) {
        m_error = QStringLiteral("node is not installed");
        return false;
    }
    if (!QFileInfo::exists(serviceDirectory() + QStringLiteral("/node_modules/socket.io"))) {
        m_error = QStringLiteral("the chat service's packages are missing: run scripts/setup");
        return false;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setWorkingDirectory(serviceDirectory());
    // A file, not a pipe: nobody may be reading while the service logs.
    if (m_logFile.open())
        m_process->setStandardErrorFile(m_logFile.fileName(), QIODevice::Append);
    // The service must not outlive a test process that is killed.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process->start(node, arguments());
    if (!m_process->waitForStarted(m_options.startTimeoutMs)) {
        m_error = QStringLiteral("node did not start: ") + m_process->errorString();
        return false;
    }
    // The time server's line, when asked for, comes before the service's.
    static const QRegularExpression listening(
        QStringLiteral("^chat-service listening on port (\\d+)"));
    static const QRegularExpression ntpListening(QStringLiteral("^ntp listening on port (\\d+)"));
    const QDeadlineTimer deadline(m_options.startTimeoutMs);
    QByteArray output;
    while (!deadline.hasExpired()) {
        if (!m_process->canReadLine() &&
            !m_process->waitForReadyRead(int(deadline.remainingTime())))
            break;
        while (m_process->canReadLine()) {
            const QString line = QString::fromUtf8(m_process->readLine());
            output += line.toUtf8();
            if (const auto ntp = ntpListening.match(line); ntp.hasMatch())
                m_ntpPort = quint16(ntp.captured(1).toUInt());
            const auto match = listening.match(line);
            if (match.hasMatch()) {
                m_port = quint16(match.captured(1).toUInt());
                m_error.clear();
                return true;
            }
        }
    }
    m_error = QStringLiteral("the chat service did not come up: ") + QString::fromUtf8(output) +
              QString::fromUtf8(log());
    stop();
    return false;
}

void ChatService::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
    m_process.reset();
}

bool ChatService::restart()
{
    stop();
    return start();
}

bool ChatService::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QByteArray ChatService::log()
{
    QFile file(m_logFile.fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ChatService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

ChatService::Reply ChatService::send(const QByteArray& verb, const QString& pathAndQuery,
                                     const QByteArray& body)
{
    QNetworkRequest request(QUrl(baseUrl() + pathAndQuery));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setTransferTimeout(requestTimeoutMs);
    QNetworkReply* reply = m_network->sendCustomRequest(request, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    Reply result;
    // A connection lost halfway is no answer, whatever status line came first.
    const bool transportFailed = reply->error() > QNetworkReply::NoError &&
                                 reply->error() < QNetworkReply::ContentAccessDenied;
    if (!transportFailed)
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.raw = reply->readAll();
    if (const auto decoded = foundation::Json::decode(result.raw))
        result.body = decoded->toMap();
    reply->deleteLater();
    return result;
}

ChatService::Reply ChatService::get(const QString& pathAndQuery)
{
    return send("GET", pathAndQuery, {});
}

ChatService::Reply ChatService::post(const QString& path, const QVariantMap& body)
{
    return send("POST", path, foundation::Json::encode(body).value_or(QByteArray("{}")));
}

ChatService::Reply ChatService::postRaw(const QString& path, const QByteArray& body)
{
    return send("POST", path, body);
}

QVariantMap ChatService::signUp(const QString& userId)
{
    QVariantMap body{{"role", "customer"},
                     {"email", ""},
                     {"profileImage", ""},
                     {"businessId", token()},
                     {"platformInfo", QVariantMap{{"browserName", "test"}}}};
    if (!userId.isEmpty())
        body.insert(QStringLiteral("userId"), userId);
    return post(QStringLiteral("/user/api/v1/signup"), body).body.value("user").toMap();
}

bool ChatService::reset()
{
    return post(QStringLiteral("/test/reset")).ok();
}

bool ChatService::configure(const QVariantMap& patch)
{
    return post(QStringLiteral("/test/config"), patch).ok();
}

bool ChatService::setEndpointMode(const QString& endpoint, const QString& mode,
                                  std::optional<int> times, int delayMs)
{
    const QVariantMap settings{{"mode", mode},
                               {"times", times ? QVariant(*times) : QVariant::fromValue(nullptr)},
                               {"delayMs", delayMs}};
    return configure({{"endpoints", QVariantMap{{endpoint, settings}}}});
}

QVariantList ChatService::receivedEvents(const QString& event)
{
    return filteredLog(QStringLiteral("/test/received"), QStringLiteral("event"), event,
                       QStringLiteral("events"));
}

QVariantList ChatService::receivedRequests(const QString& path)
{
    return filteredLog(QStringLiteral("/test/requests"), QStringLiteral("path"), path,
                       QStringLiteral("requests"));
}

QVariantList ChatService::filteredLog(const QString& endpoint, const QString& filter,
                                      const QString& value, const QString& key)
{
    QUrlQuery query;
    if (!value.isEmpty())
        query.addQueryItem(filter, value);
    return get(endpoint + QLatin1Char('?') + query.toString(QUrl::FullyEncoded))
        .body.value(key)
        .toList();
}

std::optional<QVariantMap> ChatService::injectMessage(const QVariantMap& request)
{
    const Reply reply = post(QStringLiteral("/test/inject"), request);
    if (!reply.ok())
        return std::nullopt;
    return reply.body.value("message").toMap();
}

std::optional<QVariantMap> ChatService::sendTemplate(const QVariantMap& request)
{
    const Reply reply = post(QStringLiteral("/test/template"), request);
    if (!reply.ok())
        return std::nullopt;
    return reply.body.value("message").toMap();
}

QVariantList ChatService::addHistory(const QString& userId, int count, int seen)
{
    return post(QStringLiteral("/test/history"),
                {{"userId", userId}, {"count", count}, {"seen", seen}})
        .body.value("messages")
        .toList();
}

std::optional<QVariantMap> ChatService::setMessageStatus(const QString& messageId,
                                                         const QVariantMap& changes)
{
    QVariantMap body = changes;
    body.insert(QStringLiteral("messageId"), messageId);
    const Reply reply = post(QStringLiteral("/test/status"), body);
    if (!reply.ok())
        return std::nullopt;
    return reply.body.value("message").toMap();
}

int ChatService::emitEvent(const QString& event, const QVariantList& items,
                           const QVariantMap& target)
{
    QVariantMap body = target;
    body.insert(QStringLiteral("event"), event);
    body.insert(QStringLiteral("items"), items);
    const Reply reply = post(QStringLiteral("/test/emit"), body);
    return reply.ok() ? reply.body.value("sockets").toInt() : -1;
}

int ChatService::dropConnections(const QString& mode, int refuseMs)
{
    const Reply reply =
        post(QStringLiteral("/test/drop"), {{"mode", mode}, {"refuseMs", refuseMs}});
    return reply.ok() ? reply.body.value("dropped").toInt() : -1;
}

QVariantMap ChatService::state()
{
    return get(QStringLiteral("/test/state")).body;
}

} // namespace kesvor::test
