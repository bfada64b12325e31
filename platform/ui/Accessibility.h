#pragma once

#include <QtCore/QString>
#include <QtGui/QAccessible>

#include <optional>

namespace kesvor::ui {

class View;

/// What assistive technology (through Qt's accessibility interfaces) is told
/// about a view: its role and its name. Buttons are push buttons named by
/// their title and labels static text named by their text unless told
/// otherwise; other views are plain clients until given a role. A button can
/// be pressed through its accessible action.
class Accessibility {
public:
    static void setRole(View* view, QAccessible::Role role);
    static std::optional<QAccessible::Role> role(const View* view);
    /// The accessible name; empty falls back to the view's own text.
    static void setLabel(View* view, const QString& label);

    /// Makes Qt ask this layer for the interfaces of views; called by every
    /// view's construction, works once.
    static void install();
};

} // namespace kesvor::ui
