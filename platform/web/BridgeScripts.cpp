#include "web/BridgeScripts.h"

#include "foundation/DebugLog.h"
#include "web/ScriptMessageBridge.h"

#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

namespace kesvor::web::BridgeScripts {

namespace {

// The DOM event that carries a post from the page's world to the channel's.
constexpr char eventName[] = "kesvor-script-message";

// Everything the handlers use is taken when the document is created, before
// any script of the page runs, so a page cannot reroute the posts of its
// later scripts by replacing JSON.stringify or dispatchEvent.
constexpr char handlersSource[] = R"JS(
(function (names, eventName) {
    'use strict';
    var stringify = JSON.stringify;
    var dispatch = EventTarget.prototype.dispatchEvent;
    var CustomEventType = CustomEvent;
    var target = document;
    var handlers = {};
    names.forEach(function (name) {
        var handler = {};
        Object.defineProperty(handler, 'postMessage', {
            value: function postMessage(body) {
                var message = stringify([name, body === undefined ? null : body]);
                dispatch.call(target, new CustomEventType(eventName, { detail: message }));
            }
        });
        handlers[name] = Object.freeze(handler);
    });
    var webkit = Object.freeze({ messageHandlers: Object.freeze(handlers) });
    Object.defineProperty(window, 'webkit', { value: webkit, enumerable: true });
})(%1, %2);
)JS";

constexpr char channelSource[] = R"JS(
(function (eventName, objectName) {
    'use strict';
    var bridge = null;
    var waiting = [];
    document.addEventListener(eventName, function (event) {
        if (typeof event.detail !== 'string')
            return;
        if (bridge)
            bridge.postMessage(event.detail);
        else
            waiting.push(event.detail);
    });
    new QWebChannel(qt.webChannelTransport, function (channel) {
        bridge = channel.objects[objectName];
        waiting.forEach(function (message) { bridge.postMessage(message); });
        waiting = [];
    });
})(%1, %2);
)JS";

QString jsonText(const QJsonValue& value)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

QString channelClientSource()
{
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly)) {
        KESVOR_DEBUG_LOG << "web bridge: the web channel's client script is missing";
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QWebEngineScript documentCreationScript(const QString& name, const QString& source, quint32 world)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(world);
    script.setRunsOnSubFrames(false);
    return script;
}

} // namespace

QWebEngineScript handlersScript(const QStringList& names)
{
    const QString source = QString::fromLatin1(handlersSource)
                               .arg(jsonText(QJsonArray::fromStringList(names)),
                                    jsonText(QString::fromLatin1(eventName)));
    return documentCreationScript(QStringLiteral("kesvor-message-handlers"), source,
                                  QWebEngineScript::MainWorld);
}

QWebEngineScript channelScript()
{
    static const QString client = channelClientSource();
    const QString source = client + QString::fromLatin1(channelSource)
                                        .arg(jsonText(QString::fromLatin1(eventName)),
                                             jsonText(ScriptMessageBridge::channelObjectName));
    return documentCreationScript(QStringLiteral("kesvor-message-channel"), source, channelWorld);
}

} // namespace kesvor::web::BridgeScripts
