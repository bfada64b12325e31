#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QStringList>
#include <QtCore/QVariantMap>

namespace kesvor {

namespace ui {
class Application;
}

/// Puts the SDK in front of the host's push callbacks: when the host's
/// application delegate implements them, the device token and every remote
/// notification reach the SDK first and then the host's own handlers, with
/// the same arguments. Created by the first Kesvor::initWithToken(); lives
/// for the rest of the process. Main thread.
class Swizel {
public:
    static Swizel& shared();

    /// The delegate callbacks taken over, in the order they are taken.
    QStringList originalMethodSelectors() const { return m_originalMethodSelectors; }
    /// The SDK's handlers at the same positions.
    QStringList swizelMethodSelectors() const { return m_swizelMethodSelectors; }
    /// How many callbacks were taken over: 0 without a delegate or when it
    /// lacks the token callback, 1 when it lacks the notification callback.
    int installedHooks() const { return m_installedHooks; }

    /// The device token: kept as upper-case hexadecimal and sent to the
    /// service for the signed-up customer (now, or after the next sign-up).
    void x_application(ui::Application& application, const QByteArray& deviceToken);
    /// A remote notification: the SDK's own show the banner or open the
    /// conversation; others are ignored.
    void x_application(ui::Application& application, const QVariantMap& userInfo);

    /// Two upper-case hexadecimal digits per byte, in order.
    static QString deviceTokenString(const QByteArray& deviceToken);

    Swizel(const Swizel&) = delete;
    Swizel& operator=(const Swizel&) = delete;

private:
    Swizel();
    bool exchange(ui::Application& application, qsizetype index);

    const QStringList m_originalMethodSelectors;
    const QStringList m_swizelMethodSelectors;
    int m_installedHooks = 0;
};

} // namespace kesvor
