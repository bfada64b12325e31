#pragma once

#include <QtCore/QString>
#include <QtCore/QVariant>

#include <functional>

namespace kesvor::web {

/// What a page posted to a script-message handler:
/// window.webkit.messageHandlers.<name>.postMessage(body).
struct ScriptMessage {
    /// The handler the page posted to.
    QString name;
    /// The posted value as JSON carries it: a QString, a double, a bool, a
    /// QVariantMap or a QVariantList; null, undefined and what JSON cannot
    /// hold (a function) arrive as a QVariant holding nullptr.
    QVariant body;
};

using ScriptMessageHandler = std::function<void(const ScriptMessage&)>;

} // namespace kesvor::web
