#include "Kesvor/KesvorAlertController.h"

#include "Kesvor/KesvorWindows.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/AlertController.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

namespace kesvor {

namespace {

const QString alertTitle = QStringLiteral("Alert");
const QString okTitle = QStringLiteral("OK");

} // namespace

void KesvorAlertController::showAlert(const QString& message)
{
    present(message, true);
}

void KesvorAlertController::showAlertWithoutDismissal(const QString& message)
{
    present(message, false);
}

void KesvorAlertController::present(const QString& message, bool dismissesConversation)
{
    // Service replies may arrive on other threads; windows live on the main one.
    if (!foundation::isMainThread()) {
        foundation::runOnMainThread(
            [message, dismissesConversation] { present(message, dismissesConversation); });
        return;
    }
    ui::Window* window = KesvorWindows::window();
    ui::ViewController* root = window ? window->rootViewController() : nullptr;
    if (!root) {
        KESVOR_DEBUG_LOG << "Alert not shown (no conversation window):" << message;
        return;
    }
    auto* alert = new ui::AlertController(alertTitle, message, ui::AlertControllerStyle::Alert);
    ui::AlertAction::Handler handler;
    if (dismissesConversation)
        handler = [](const ui::AlertAction&) { KesvorWindows::dismiss(); };
    alert->addAction(ui::AlertAction(okTitle, ui::AlertActionStyle::Cancel, handler));
    root->present(alert, true);
}

} // namespace kesvor
