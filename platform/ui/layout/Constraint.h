#pragma once

#include "ui/layout/Expression.h"
#include "ui/layout/Relation.h"
#include "ui/layout/Strength.h"

#include <QtCore/QHashFunctions>
#include <QtCore/QString>

#include <functional>
#include <memory>

namespace kesvor::ui::layout {

/// A linear relation between two expressions with a strength, kept as
/// `expression() relation() 0` with expression() = lhs - rhs. A shared handle:
/// copies are the same constraint, and the solver knows a constraint by that
/// identity. Immutable once made; withStrength() makes a new one.
class Constraint {
public:
    /// A null constraint, which the solver refuses.
    Constraint() = default;
    Constraint(const Expression& lhs, Relation relation, const Expression& rhs,
               double strength = Strength::required);

    bool isNull() const { return !m_data; }
    const Expression& expression() const;
    Relation relation() const;
    /// Clipped into 0...Strength::required.
    double strength() const;
    bool isRequired() const { return strength() >= Strength::required; }

    /// A new constraint with the same relation and another strength.
    Constraint withStrength(double strength) const;

    /// Whether the relation holds for the variables' current values, within
    /// the given tolerance.
    bool isSatisfied(double tolerance = 1e-6) const;

    /// For diagnostics, e.g. "1*left + -1*right + 10 == 0 (strength 1000)".
    QString description() const;

    friend bool operator==(const Constraint& a, const Constraint& b)
    {
        return a.m_data == b.m_data;
    }
    friend size_t qHash(const Constraint& constraint, size_t seed = 0)
    {
        return ::qHash(constraint.m_data.get(), seed);
    }

private:
    friend struct std::hash<Constraint>;

    struct Data {
        Expression expression;
        Relation relation = Relation::Equal;
        double strength = Strength::required;
    };
    std::shared_ptr<const Data> m_data;
};

inline Constraint operator|(const Constraint& constraint, double strength)
{
    return constraint.withStrength(strength);
}

// Relations between variables, terms, expressions and numbers give required
// constraints. `==` between two variables compares their identity instead.

template <typename A, typename B>
requires detail::LinearPair<A, B> &&
    (!(std::same_as<A, Variable> && std::same_as<B, Variable>)) Constraint
    operator==(const A& lhs, const B& rhs)
{
    return Constraint(detail::toExpression(lhs), Relation::Equal, detail::toExpression(rhs));
}

template <typename A, typename B>
requires detail::LinearPair<A, B> Constraint operator<=(const A& lhs, const B& rhs)
{
    return Constraint(detail::toExpression(lhs), Relation::LessOrEqual, detail::toExpression(rhs));
}

template <typename A, typename B>
requires detail::LinearPair<A, B> Constraint operator>=(const A& lhs, const B& rhs)
{
    return Constraint(detail::toExpression(lhs), Relation::GreaterOrEqual,
                      detail::toExpression(rhs));
}

} // namespace kesvor::ui::layout

template <> struct std::hash<kesvor::ui::layout::Constraint> {
    size_t operator()(const kesvor::ui::layout::Constraint& constraint) const noexcept
    {
        return std::hash<const void*>()(constraint.m_data.get());
    }
};
