#pragma once

#include "ui/layout/Term.h"

#include <concepts>
#include <type_traits>
#include <vector>

namespace kesvor::ui::layout {

/// A linear expression: a sum of terms plus a constant. A variable may appear
/// in several terms; reduced() combines them.
class Expression {
public:
    Expression(double constant = 0.0)
        : m_constant(constant)
    {
    }
    Expression(const Variable& variable)
        : m_terms{Term(variable)}
    {
    }
    Expression(const Term& term)
        : m_terms{term}
    {
    }
    Expression(std::vector<Term> terms, double constant = 0.0)
        : m_terms(std::move(terms))
        , m_constant(constant)
    {
    }

    const std::vector<Term>& terms() const { return m_terms; }
    double constant() const { return m_constant; }

    /// The expression evaluated with the variables' current values.
    double value() const;

    /// One term per variable, in order of first appearance, without the
    /// terms whose coefficients cancel out.
    Expression reduced() const;

    Expression& operator+=(const Expression& other);
    Expression& operator*=(double factor);

private:
    std::vector<Term> m_terms;
    double m_constant = 0.0;
};

namespace detail {

template <typename T>
concept Scalar = std::is_arithmetic_v<std::remove_cvref_t<T>>;

template <typename T>
concept Linear = std::same_as<std::remove_cvref_t<T>, Variable> ||
    std::same_as<std::remove_cvref_t<T>, Term> || std::same_as<std::remove_cvref_t<T>, Expression>;

template <typename T>
concept Operand = Scalar<T> || Linear<T>;

/// Binary operators take any mix of variables, terms, expressions and numbers,
/// as long as one side is not a plain number.
template <typename A, typename B>
concept LinearPair = Operand<A> && Operand<B> &&(Linear<A> || Linear<B>);

inline Expression toExpression(const Expression& value)
{
    return value;
}
inline Expression toExpression(const Term& value)
{
    return Expression(value);
}
inline Expression toExpression(const Variable& value)
{
    return Expression(value);
}
template <Scalar S> Expression toExpression(S value)
{
    return Expression(static_cast<double>(value));
}

} // namespace detail

// Scaling.

template <detail::Scalar S> Term operator*(const Variable& variable, S factor)
{
    return Term(variable, static_cast<double>(factor));
}
template <detail::Scalar S> Term operator*(const Term& term, S factor)
{
    return Term(term.variable(), term.coefficient() * static_cast<double>(factor));
}
template <detail::Scalar S> Expression operator*(Expression expression, S factor)
{
    expression *= static_cast<double>(factor);
    return expression;
}
template <detail::Scalar S, detail::Linear L> auto operator*(S factor, const L& value)
{
    return value * factor;
}
template <detail::Linear L, detail::Scalar S> auto operator/(const L& value, S divisor)
{
    return value * (1.0 / static_cast<double>(divisor));
}

inline Term operator-(const Variable& variable)
{
    return Term(variable, -1.0);
}
inline Term operator-(const Term& term)
{
    return Term(term.variable(), -term.coefficient());
}
inline Expression operator-(Expression expression)
{
    expression *= -1.0;
    return expression;
}

// Sums and differences.

template <typename A, typename B>
requires detail::LinearPair<A, B> Expression operator+(const A& a, const B& b)
{
    Expression sum = detail::toExpression(a);
    sum += detail::toExpression(b);
    return sum;
}

template <typename A, typename B>
requires detail::LinearPair<A, B> Expression operator-(const A& a, const B& b)
{
    Expression difference = detail::toExpression(a);
    difference += -detail::toExpression(b);
    return difference;
}

} // namespace kesvor::ui::layout
