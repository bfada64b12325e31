#include "ui/layout/Row.h"

#include <algorithm>

namespace kesvor::ui::layout {

namespace {

bool cellBefore(const Row::Cell& cell, Symbol symbol)
{
    return cell.symbol < symbol;
}

} // namespace

std::vector<Row::Cell>::const_iterator Row::find(Symbol symbol) const
{
    const auto it = std::lower_bound(m_cells.begin(), m_cells.end(), symbol, cellBefore);
    return it != m_cells.end() && it->symbol == symbol ? it : m_cells.end();
}

std::vector<Row::Cell>::iterator Row::lowerBound(Symbol symbol)
{
    return std::lower_bound(m_cells.begin(), m_cells.end(), symbol, cellBefore);
}

double Row::coefficientFor(Symbol symbol) const
{
    const auto it = find(symbol);
    return it == m_cells.end() ? 0.0 : it->coefficient;
}

void Row::reverseSign()
{
    m_constant = -m_constant;
    for (Cell& cell : m_cells)
        cell.coefficient = -cell.coefficient;
}

void Row::solveFor(Symbol symbol)
{
    const auto it = find(symbol);
    if (it == m_cells.end())
        return;
    const double factor = -1.0 / it->coefficient;
    m_cells.erase(it);
    m_constant *= factor;
    for (Cell& cell : m_cells)
        cell.coefficient *= factor;
}

void Row::solveFor(Symbol lhs, Symbol rhs)
{
    insert(lhs, -1.0);
    solveFor(rhs);
}

} // namespace kesvor::ui::layout
