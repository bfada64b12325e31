#include "web/ScriptMessageBridge.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

namespace kesvor::web {

const QString ScriptMessageBridge::channelObjectName = QStringLiteral("kesvorScriptMessages");

ScriptMessageBridge::ScriptMessageBridge(QObject* parent)
    : QObject(parent)
{
}

void ScriptMessageBridge::addHandler(const QString& name, ScriptMessageHandler handler)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!m_handlers.contains(name))
        m_names.append(name);
    m_handlers.insert(name, std::move(handler));
}

void ScriptMessageBridge::removeHandler(const QString& name)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_names.removeAll(name);
    m_handlers.remove(name);
}

void ScriptMessageBridge::postMessage(const QString& message)
{
    KESVOR_ASSERT_MAIN_THREAD();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(message.toUtf8(), &error);
    const QJsonArray parts = document.array();
    if (error.error != QJsonParseError::NoError || parts.size() != 2 || !parts[0].isString()) {
        KESVOR_DEBUG_LOG << "web bridge: dropping a malformed script message";
        return;
    }
    const QString name = parts[0].toString();
    const auto handler = m_handlers.constFind(name);
    if (handler == m_handlers.cend() || !*handler) {
        KESVOR_DEBUG_LOG << "web bridge: no handler named" << name;
        return;
    }
    // A copy: the handler may remove itself or destroy the web view.
    const ScriptMessageHandler call = *handler;
    call(ScriptMessage{name, parts[1].toVariant()});
}

} // namespace kesvor::web
