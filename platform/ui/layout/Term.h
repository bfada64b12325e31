#pragma once

#include "ui/layout/Variable.h"

namespace kesvor::ui::layout {

/// A variable times a coefficient: one summand of a linear expression.
class Term {
public:
    Term(Variable variable, double coefficient = 1.0)
        : m_variable(std::move(variable))
        , m_coefficient(coefficient)
    {
    }

    const Variable& variable() const { return m_variable; }
    double coefficient() const { return m_coefficient; }
    /// The term evaluated with the variable's current value.
    double value() const { return m_coefficient * m_variable.value(); }

private:
    Variable m_variable;
    double m_coefficient;
};

} // namespace kesvor::ui::layout
