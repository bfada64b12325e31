#pragma once

#include "web/ScriptMessage.h"

#include <QtCore/QHash>
#include <QtCore/QObject>
#include <QtCore/QStringList>

namespace kesvor::web {

/// The native end of a page's script-message handlers. It is published on
/// the web view's channel, out of the page's own reach; the bridge scripts
/// (BridgeScripts) hand it every message the page's main frame posts, and it
/// passes each to the handler registered under the message's name. Main
/// thread.
class ScriptMessageBridge : public QObject {
    Q_OBJECT
public:
    /// The name the bridge is published under on the channel.
    static const QString channelObjectName;

    explicit ScriptMessageBridge(QObject* parent = nullptr);

    void addHandler(const QString& name, ScriptMessageHandler handler);
    void removeHandler(const QString& name);
    /// The names pages can post to, in the order they were added.
    QStringList handlerNames() const { return m_names; }

    /// Called from the page with the JSON text of [name, body]. Anything
    /// else, and names without a handler, are dropped.
    Q_INVOKABLE void postMessage(const QString& message);

private:
    QStringList m_names;
    QHash<QString, ScriptMessageHandler> m_handlers;
};

} // namespace kesvor::web
