#pragma once

#include <QtCore/QStringList>
#include <QtWebEngineCore/QWebEngineScript>

namespace kesvor::web {

/// The scripts a web view injects into every page so that
/// window.webkit.messageHandlers.<name>.postMessage(body) reaches its
/// ScriptMessageBridge. Both run when a document is created, in the main
/// frame only, so frames inside a page get no handlers.
///
/// The page's world gets window.webkit with one handler per name; posting
/// turns the body into JSON and raises a DOM event on the document. A second
/// script, in an isolated world the page cannot reach, owns the channel to
/// the native side and forwards those events. The channel's transport never
/// exists in the page's world.
namespace BridgeScripts {

/// The isolated world the channel lives in.
inline constexpr quint32 channelWorld = QWebEngineScript::ApplicationWorld;

/// The page's handlers, for the names given.
QWebEngineScript handlersScript(const QStringList& names);
/// The channel's end in the isolated world.
QWebEngineScript channelScript();

} // namespace BridgeScripts

} // namespace kesvor::web
