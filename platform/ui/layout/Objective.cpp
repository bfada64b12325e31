#include "ui/layout/Objective.h"

#include <algorithm>

namespace kesvor::ui::layout {

Objective::Level* Objective::levelFor(double strength)
{
    const auto it = std::find_if(m_levels.begin(), m_levels.end(), [strength](const Level& level) {
        return level.strength <= strength;
    });
    if (it != m_levels.end() && it->strength == strength)
        return &*it;
    return &*m_levels.insert(it, Level{strength, Row(), 0});
}

void Objective::addError(Symbol error, double strength, const Row* basicRow)
{
    Level* level = levelFor(strength);
    ++level->errorCount;
    if (basicRow)
        level->row.insert(*basicRow, 1.0);
    else
        level->row.insert(error, 1.0);
}

void Objective::removeError(Symbol error, double strength, const Row* basicRow)
{
    const auto it = std::find_if(m_levels.begin(), m_levels.end(), [strength](const Level& level) {
        return level.strength == strength;
    });
    if (it == m_levels.end())
        return;
    if (--it->errorCount <= 0) {
        m_levels.erase(it);
        return;
    }
    if (basicRow)
        it->row.insert(*basicRow, -1.0);
    else
        it->row.insert(error, -1.0);
}

void Objective::substitute(Symbol symbol, const Row& row)
{
    for (Level& level : m_levels)
        level.row.substitute(symbol, row);
}

void Objective::remove(Symbol symbol)
{
    for (Level& level : m_levels)
        level.row.remove(symbol);
}

int Objective::lexicographicSign(Symbol symbol) const
{
    for (const Level& level : m_levels) {
        const double coefficient = level.row.coefficientFor(symbol);
        if (coefficient != 0.0)
            return coefficient < 0.0 ? -1 : 1;
    }
    return 0;
}

Symbol Objective::enteringSymbol() const
{
    // Bland's rule: the lowest candidate, which rules out cycling. A symbol
    // is a candidate when its first non-zero level coefficient is negative,
    // so every candidate shows up among the negative cells of some level.
    Symbol best;
    for (const Level& level : m_levels) {
        for (const Row::Cell& cell : level.row.cells()) {
            if (best.isValid() && best < cell.symbol)
                break;
            if (cell.coefficient < 0.0 && cell.symbol.isPivotable() &&
                lexicographicSign(cell.symbol) < 0) {
                best = cell.symbol;
                break;
            }
        }
    }
    return best;
}

int Objective::compareRatios(Symbol a, double sa, Symbol b, double sb) const
{
    for (const Level& level : m_levels) {
        const double ra = level.row.coefficientFor(a) / sa;
        const double rb = level.row.coefficientFor(b) / sb;
        if (!nearZero(ra - rb))
            return ra < rb ? -1 : 1;
    }
    return 0;
}

Symbol Objective::dualEnteringSymbol(const Row& row) const
{
    Symbol best;
    double bestCoefficient = 0.0;
    for (const Row::Cell& cell : row.cells()) {
        if (cell.coefficient <= 0.0 || !cell.symbol.isPivotable())
            continue;
        if (!best.isValid() ||
            compareRatios(cell.symbol, cell.coefficient, best, bestCoefficient) < 0) {
            best = cell.symbol;
            bestCoefficient = cell.coefficient;
        }
    }
    return best;
}

std::vector<double> Objective::values() const
{
    std::vector<double> result;
    result.reserve(m_levels.size());
    for (const Level& level : m_levels)
        result.push_back(level.row.constant());
    return result;
}

} // namespace kesvor::ui::layout
