#pragma once

#include "ui/ViewController.h"

#include <QtCore/QString>

#include <functional>

namespace kesvor::ui {

class Button;
class View;

enum class AlertControllerStyle { Alert, ActionSheet };
enum class AlertActionStyle { Default, Cancel, Destructive };

/// One button of an alert.
class AlertAction {
public:
    using Handler = std::function<void(const AlertAction&)>;

    AlertAction(const QString& title, AlertActionStyle style, Handler handler = {});

    QString title() const { return m_title; }
    AlertActionStyle style() const { return m_style; }
    const Handler& handler() const { return m_handler; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

private:
    QString m_title;
    AlertActionStyle m_style;
    Handler m_handler;
    bool m_enabled = true;
};

/// A message box shown over its presenting controller: a title, a message
/// and a row (two actions) or column (more) of action buttons on a rounded
/// panel in the middle of a dimmed window. Tapping an action dismisses the
/// alert and then runs the action's handler. Actions are fixed once the
/// view has loaded.
class AlertController : public ViewController {
    Q_OBJECT
public:
    AlertController(const QString& title, const QString& message,
                    AlertControllerStyle preferredStyle = AlertControllerStyle::Alert,
                    QObject* parent = nullptr);

    QString title() const { return m_title; }
    QString message() const { return m_message; }
    AlertControllerStyle preferredStyle() const { return m_style; }

    void addAction(const AlertAction& action);
    QList<AlertAction> actions() const { return m_actions; }

    /// The button of the action at index (loads the view), or nullptr.
    Button* buttonForAction(int index);
    /// What a tap on the action's button does.
    void triggerAction(int index);

protected:
    void loadView() override;

private:
    View* buildPanel(View* backdrop);
    void buildButtons(View* panel, View* separator);
    QList<int> displayOrder() const;

    QString m_title;
    QString m_message;
    AlertControllerStyle m_style;
    QList<AlertAction> m_actions;
    QList<QPointer<Button>> m_buttons;
    bool m_triggered = false;
};

} // namespace kesvor::ui
