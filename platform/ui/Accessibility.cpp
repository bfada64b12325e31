#include "ui/Accessibility.h"

#include "ui/Button.h"
#include "ui/Label.h"

#include <QtWidgets/QAccessibleWidget>

namespace kesvor::ui {

namespace {

constexpr char roleProperty[] = "kesvorAccessibleRole";

QAccessible::Role defaultRole(const View* view)
{
    if (qobject_cast<const Button*>(view))
        return QAccessible::Button;
    if (qobject_cast<const Label*>(view))
        return QAccessible::StaticText;
    return QAccessible::Client;
}

// A view as assistive technology sees it: the role it was given, its name
// or its own text, its touch state, and a press for controls.
class ViewAccessible : public QAccessibleWidget {
public:
    explicit ViewAccessible(View* view)
        : QAccessibleWidget(view, defaultRole(view))
    {
    }

    QAccessible::Role role() const override
    {
        const auto* view = static_cast<const View*>(object());
        return Accessibility::role(view).value_or(defaultRole(view));
    }

    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        if (t != QAccessible::Name || !text.isEmpty())
            return text;
        if (const auto* button = qobject_cast<const Button*>(object()))
            return button->currentTitle();
        if (const auto* label = qobject_cast<const Label*>(object()))
            return label->text();
        return text;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const auto* view = static_cast<const View*>(object());
        if (view->isHidden())
            state.invisible = true;
        const auto* control = qobject_cast<const Control*>(view);
        if (control && (!control->isEnabled() || !control->isUserInteractionEnabled()))
            state.disabled = true;
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (qobject_cast<const Control*>(object()))
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& actionName) override
    {
        auto* control = qobject_cast<Control*>(object());
        if (control && actionName == pressAction() && control->isEnabled() &&
            control->isUserInteractionEnabled()) {
            control->sendActions(ControlEvent::TouchUpInside);
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* viewAccessibleFactory(const QString&, QObject* object)
{
    auto* view = qobject_cast<View*>(object);
    if (!view)
        return nullptr;
    if (!Accessibility::role(view) && defaultRole(view) == QAccessible::Client)
        return nullptr;
    return new ViewAccessible(view);
}

} // namespace

void Accessibility::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&viewAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void Accessibility::setRole(View* view, QAccessible::Role role)
{
    view->setProperty(roleProperty, int(role));
}

std::optional<QAccessible::Role> Accessibility::role(const View* view)
{
    const QVariant role = view->property(roleProperty);
    if (!role.isValid())
        return std::nullopt;
    return QAccessible::Role(role.toInt());
}

void Accessibility::setLabel(View* view, const QString& label)
{
    view->setAccessibleName(label);
}

} // namespace kesvor::ui
