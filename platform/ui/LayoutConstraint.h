#pragma once

#include "ui/Geometry.h"

#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QString>

#include <memory>

namespace kesvor::ui {

class View;

enum class LayoutAttribute {
    NotAnAttribute,
    Left,
    Right,
    Top,
    Bottom,
    /// Left-to-right only: leading is left, trailing is right.
    Leading,
    Trailing,
    Width,
    Height,
    CenterX,
    CenterY,
};

enum class LayoutRelation { LessThanOrEqual, Equal, GreaterThanOrEqual };

/// The axis an attribute lies on (sizes included; NotAnAttribute counts as
/// horizontal).
LayoutAxis axisOf(LayoutAttribute attribute);

/// Priorities run from 1 to 1000; 1000 is required, anything lower gives way
/// to every higher priority.
namespace LayoutPriority {
inline constexpr float required = 1000;
inline constexpr float defaultHigh = 750;
inline constexpr float defaultLow = 250;
inline constexpr float fittingSizeLevel = 50;
} // namespace LayoutPriority

/// One linear relation between two views' attributes:
///
///     item.attribute  relation  multiplier × toItem.toAttribute + constant
///
/// or, without a second item, between an attribute and a constant (widths
/// and heights only). A handle: copies share one constraint, and equality is
/// identity. Items are held weakly; a constraint whose view is destroyed goes
/// inactive. Constant, priority and activity may change at any time.
///
/// Activation needs the two views in one tree. Faulty constraints (no common
/// ancestor, mixed axes, a position without a second item) and required
/// constraints that contradict the active ones are reported once through
/// the debug log and left out of the layout, never fatal.
class LayoutConstraint {
public:
    /// A null constraint: isNull() is true and every operation does nothing.
    LayoutConstraint() = default;
    LayoutConstraint(View* item, LayoutAttribute attribute, LayoutRelation relation, View* toItem,
                     LayoutAttribute toAttribute, double multiplier = 1.0, double constant = 0.0);
    /// A size constraint against a constant.
    LayoutConstraint(View* item, LayoutAttribute attribute, LayoutRelation relation,
                     double constant);

    bool isNull() const { return !d; }

    View* firstItem() const;
    LayoutAttribute firstAttribute() const;
    LayoutRelation relation() const;
    View* secondItem() const;
    LayoutAttribute secondAttribute() const;
    double multiplier() const;

    double constant() const;
    void setConstant(double constant);
    float priority() const;
    /// Clamped to 1...1000.
    void setPriority(float priority);
    bool isActive() const;
    void setActive(bool active);
    /// Active but left out of the layout because it could not be satisfied.
    bool isDropped() const;

    QString identifier() const;
    void setIdentifier(const QString& identifier);
    /// A readable form, for diagnostics.
    QString description() const;

    static void activate(const QList<LayoutConstraint>& constraints);
    static void deactivate(const QList<LayoutConstraint>& constraints);

    /// The constraints of one visual-format string. views names the views the
    /// string refers to; metrics names constants. A format that does not
    /// parse or names an unknown view is reported through the debug log and
    /// gives no constraints.
    static QList<LayoutConstraint>
    constraintsWithVisualFormat(const QString& format, const QHash<QString, View*>& views,
                                const QHash<QString, double>& metrics = {});

    friend bool operator==(const LayoutConstraint& a, const LayoutConstraint& b)
    {
        return a.d == b.d;
    }
    friend size_t qHash(const LayoutConstraint& constraint, size_t seed = 0)
    {
        return ::qHash(static_cast<const void*>(constraint.d.get()), seed);
    }

private:
    friend class LayoutEngine;
    friend class View;
    struct Data;

    void detachFromViews();
    void reinstall();
    bool validate(QString* problem) const;
    quint64 sequence() const;
    void setDropped(bool dropped) const;
    bool wasDropped() const;

    std::shared_ptr<Data> d;
};

} // namespace kesvor::ui
