#pragma once

#include <QtCore/QString>

namespace kesvor {

/// The SDK's standard alert: title "Alert", the message, one "OK" button,
/// shown over the conversation window. Without a conversation window
/// nothing is shown. Called off the main thread, it shows from there.
class KesvorAlertController {
public:
    /// "OK" also closes the conversation window (as KesvorWindows::dismiss()).
    static void showAlert(const QString& message);
    /// "OK" only closes the alert.
    static void showAlertWithoutDismissal(const QString& message);

private:
    static void present(const QString& message, bool dismissesConversation);
};

} // namespace kesvor
