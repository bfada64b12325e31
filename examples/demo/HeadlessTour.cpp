#include "demo/HeadlessTour.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>
#include <QtGui/QAccessible>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QWidget>

namespace {

constexpr int pollIntervalMs = 100;

// The first visible element under root that matches, depth first.
QAccessibleInterface* find(QAccessibleInterface* root,
                           const std::function<bool(QAccessibleInterface*)>& matches)
{
    if (!root || root->state().invisible)
        return nullptr;
    if (matches(root))
        return root;
    for (int i = 0; i < root->childCount(); ++i)
        if (QAccessibleInterface* found = find(root->child(i), matches))
            return found;
    return nullptr;
}

void sendKey(QObject* receiver, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(receiver, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(receiver, &release);
}

} // namespace

HeadlessTour::HeadlessTour(QWidget* host)
    : m_host(host)
{
    m_poll.setInterval(pollIntervalMs);
    connect(&m_poll, &QTimer::timeout, this, &HeadlessTour::poll);
}

void HeadlessTour::addStep(Step step)
{
    m_steps.push_back(std::move(step));
}

void HeadlessTour::start()
{
    m_next = 0;
    runNext();
}

void HeadlessTour::runNext()
{
    if (m_next == m_steps.size()) {
        m_poll.stop();
        Q_EMIT finished(true);
        return;
    }
    const Step& step = m_steps[m_next];
    QTextStream(stdout) << "demo: " << step.description << "\n";
    QTimer::singleShot(step.settleMs, this, [this] {
        const Step& current = m_steps[m_next];
        if (current.action)
            current.action();
        m_stepClock.start();
        m_poll.start();
        poll();
    });
}

void HeadlessTour::poll()
{
    const Step& step = m_steps[m_next];
    if (!step.done || step.done()) {
        ++m_next;
        m_poll.stop();
        // Later, so that what the step changed is laid out first.
        QTimer::singleShot(0, this, &HeadlessTour::runNext);
        return;
    }
    if (m_stepClock.elapsed() > step.timeoutMs) {
        m_poll.stop();
        QTextStream(stderr) << "demo: gave up: " << step.description << "\n";
        Q_EMIT finished(false);
    }
}

bool HeadlessTour::shows(int role, const QString& name) const
{
    return element(role, name) != nullptr;
}

int HeadlessTour::count(int role, const QString& name) const
{
    int found = 0;
    find(QAccessible::queryAccessibleInterface(m_host), [&](QAccessibleInterface* element) {
        if (element->role() == QAccessible::Role(role) && element->text(QAccessible::Name) == name)
            ++found;
        return false;
    });
    return found;
}

QAccessibleInterface* HeadlessTour::element(int role, const QString& name) const
{
    return find(QAccessible::queryAccessibleInterface(m_host), [&](QAccessibleInterface* element) {
        return element->role() == QAccessible::Role(role) &&
               element->text(QAccessible::Name) == name;
    });
}

bool HeadlessTour::typeInto(const QString& name, const QString& text) const
{
    QAccessibleInterface* input = element(QAccessible::EditableText, name);
    if (!input)
        return false;
    for (const QChar character : text)
        sendKey(input->object(), 0, QString(character));
    return true;
}

bool HeadlessTour::pressIn(const QString& name, int key) const
{
    QAccessibleInterface* input = element(QAccessible::EditableText, name);
    if (!input)
        return false;
    sendKey(input->object(), key, key == Qt::Key_Return ? QStringLiteral("\r") : QString());
    return true;
}

bool HeadlessTour::click(int role, const QString& name) const
{
    QAccessibleInterface* target = element(role, name);
    auto* widget = target ? qobject_cast<QWidget*>(target->object()) : nullptr;
    if (!widget)
        return false;
    // Whatever lies on top at the element's middle takes the click, as it
    // would under the user's pointer.
    const QPoint global = widget->mapToGlobal(widget->rect().center());
    QWidget* receiver = m_host->childAt(m_host->mapFromGlobal(global));
    if (!receiver)
        receiver = widget;
    const QPointF local = receiver->mapFromGlobal(global);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, local, QPointF(global), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(receiver, &event);
    }
    return true;
}
