#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QTimer>

#include <functional>
#include <vector>

class QAccessibleInterface;
class QWidget;

/// Drives the demo without a display, as a user would: each step does
/// something (opens the conversation, types, presses a key) and then waits
/// until the screen shows what it should, found the way assistive technology
/// finds it (by accessible role and name). Steps run in order; the first one
/// that does not see its result in time ends the tour as failed.
class HeadlessTour : public QObject {
    Q_OBJECT
public:
    struct Step {
        QString description;
        std::function<void()> action;
        /// Polled until true; none: done once the action ran.
        std::function<bool()> done;
        int timeoutMs = 20'000;
        /// Waited before the action, for animations to come to rest.
        int settleMs = 0;
    };

    explicit HeadlessTour(QWidget* host);

    void addStep(Step step);
    /// Runs the steps; finished(true) once the last one is done.
    void start();

    // What steps are made of.
    /// True while a visible element of the host has this role and name.
    bool shows(int role, const QString& name) const;
    /// How many visible elements of the host have this role and name.
    int count(int role, const QString& name) const;
    /// Types text into the visible editable element named name, key by key.
    bool typeInto(const QString& name, const QString& text) const;
    /// Presses a key in the visible editable element named name.
    bool pressIn(const QString& name, int key) const;
    /// Clicks the middle of the visible element with this role and name.
    bool click(int role, const QString& name) const;

Q_SIGNALS:
    void finished(bool succeeded);

private:
    QAccessibleInterface* element(int role, const QString& name) const;
    void runNext();
    void poll();

    QWidget* m_host;
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    QTimer m_poll;
    QElapsedTimer m_stepClock;
};
