#pragma once

#include <QtCore/QHashFunctions>
#include <QtCore/QString>

#include <cstddef>
#include <functional>
#include <memory>

namespace kesvor::ui::layout {

/// An unknown of the constraint system. A cheap shared handle: copies refer to
/// the same variable, and two handles compare equal only when they do.
///
/// Because `==` between two variables tests identity, a constraint equating two
/// variables is written with an expression on one side: `Expression(a) == b`
/// or `a - b == 0`.
class Variable {
public:
    Variable();
    explicit Variable(QString name);

    const QString& name() const { return m_data->name; }
    void setName(const QString& name) { m_data->name = name; }

    /// The value found by the last Solver::updateVariables() that saw this
    /// variable in one of its constraints; 0 before that.
    double value() const { return m_data->value; }
    void setValue(double value) { m_data->value = value; }

    friend bool operator==(const Variable& a, const Variable& b) { return a.m_data == b.m_data; }
    friend size_t qHash(const Variable& variable, size_t seed = 0)
    {
        return ::qHash(variable.m_data.get(), seed);
    }

private:
    friend struct std::hash<Variable>;

    struct Data {
        QString name;
        double value = 0.0;
    };
    std::shared_ptr<Data> m_data;
};

} // namespace kesvor::ui::layout

template <> struct std::hash<kesvor::ui::layout::Variable> {
    size_t operator()(const kesvor::ui::layout::Variable& variable) const noexcept
    {
        return std::hash<const void*>()(variable.m_data.get());
    }
};
