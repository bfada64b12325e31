#pragma once

#include "ui/layout/Symbol.h"

#include <cmath>
#include <vector>

namespace kesvor::ui::layout {

/// Coefficients and constants closer to zero than this count as zero.
inline constexpr double solverEpsilon = 1.0e-8;

inline bool nearZero(double value)
{
    return std::abs(value) < solverEpsilon;
}

/// One row of the tableau: constant + sum of coefficient * symbol. As a basic
/// row it gives the value of its basic symbol; as a new constraint it is an
/// expression that must equal zero. Cells are kept sorted by symbol.
///
/// The mutating operations take an optional listener `(Symbol, bool present)`
/// that hears of every symbol entering or leaving the row, so the tableau can
/// keep its column index in step.
class Row {
public:
    struct Cell {
        Symbol symbol;
        double coefficient;
    };

    struct IgnoreChanges {
        void operator()(Symbol, bool) const {}
    };

    explicit Row(double constant = 0.0)
        : m_constant(constant)
    {
    }

    double constant() const { return m_constant; }
    const std::vector<Cell>& cells() const { return m_cells; }
    double coefficientFor(Symbol symbol) const;
    bool contains(Symbol symbol) const { return find(symbol) != m_cells.end(); }

    void addConstant(double value) { m_constant += value; }

    /// Adds coefficient * symbol; a coefficient that cancels to zero drops the cell.
    template <typename Listener = IgnoreChanges>
    void insert(Symbol symbol, double coefficient, Listener&& listener = {});

    /// Adds coefficient * other, constant included.
    template <typename Listener = IgnoreChanges>
    void insert(const Row& other, double coefficient, Listener&& listener = {})
    {
        m_constant += other.m_constant * coefficient;
        for (const Cell& cell : other.m_cells)
            insert(cell.symbol, cell.coefficient * coefficient, listener);
    }

    template <typename Listener = IgnoreChanges>
    void remove(Symbol symbol, Listener&& listener = {})
    {
        const auto it = find(symbol);
        if (it == m_cells.end())
            return;
        m_cells.erase(it);
        listener(symbol, false);
    }

    /// Replaces symbol by the expression of row, if the symbol occurs here.
    template <typename Listener = IgnoreChanges>
    void substitute(Symbol symbol, const Row& row, Listener&& listener = {})
    {
        const auto it = find(symbol);
        if (it == m_cells.end())
            return;
        const double coefficient = it->coefficient;
        m_cells.erase(it);
        listener(symbol, false);
        insert(row, coefficient, listener);
    }

    void reverseSign();

    /// For a row read as `0 = row`: rewrites it as the expression of symbol,
    /// which leaves the cells.
    void solveFor(Symbol symbol);

    /// For a basic row `lhs = row`: rewrites it as the expression of rhs, a
    /// symbol of the row; lhs becomes one of its cells.
    void solveFor(Symbol lhs, Symbol rhs);

private:
    std::vector<Cell>::const_iterator find(Symbol symbol) const;
    std::vector<Cell>::iterator lowerBound(Symbol symbol);

    std::vector<Cell> m_cells;
    double m_constant = 0.0;
};

template <typename Listener>
void Row::insert(Symbol symbol, double coefficient, Listener&& listener)
{
    const auto it = lowerBound(symbol);
    if (it != m_cells.end() && it->symbol == symbol) {
        it->coefficient += coefficient;
        if (nearZero(it->coefficient)) {
            m_cells.erase(it);
            listener(symbol, false);
        }
        return;
    }
    if (nearZero(coefficient))
        return;
    m_cells.insert(it, Cell{symbol, coefficient});
    listener(symbol, true);
}

} // namespace kesvor::ui::layout
