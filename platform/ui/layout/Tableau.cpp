#include "ui/layout/Tableau.h"

#include "foundation/DebugLog.h"

#include <algorithm>

namespace kesvor::ui::layout {

const Row* Tableau::row(Symbol basic) const
{
    const auto it = m_rows.find(basic);
    return it == m_rows.end() ? nullptr : &it->second;
}

Row* Tableau::row(Symbol basic)
{
    const auto it = m_rows.find(basic);
    return it == m_rows.end() ? nullptr : &it->second;
}

void Tableau::addRow(Symbol basic, Row row)
{
    remember(basic);
    for (const Row::Cell& cell : row.cells())
        addColumnEntry(cell.symbol, basic);
    m_rows.insert_or_assign(basic, std::move(row));
}

Row Tableau::takeRow(Symbol basic)
{
    remember(basic);
    auto node = m_rows.extract(basic);
    if (node.empty())
        return Row();
    for (const Row::Cell& cell : node.mapped().cells())
        removeColumnEntry(cell.symbol, basic);
    return std::move(node.mapped());
}

const std::vector<Symbol>& Tableau::rowsContaining(Symbol symbol) const
{
    static const std::vector<Symbol> none;
    const auto it = m_columns.find(symbol);
    return it == m_columns.end() ? none : it->second;
}

void Tableau::addColumnEntry(Symbol symbol, Symbol basic)
{
    m_columns[symbol].push_back(basic);
}

void Tableau::removeColumnEntry(Symbol symbol, Symbol basic)
{
    const auto it = m_columns.find(symbol);
    if (it == m_columns.end())
        return;
    std::vector<Symbol>& basics = it->second;
    const auto entry = std::find(basics.begin(), basics.end(), basic);
    if (entry != basics.end()) {
        *entry = basics.back();
        basics.pop_back();
    }
    if (basics.empty())
        m_columns.erase(it);
}

template <typename Visit> void Tableau::forEachRowContaining(Symbol symbol, Visit&& visit)
{
    // The symbol leaves every one of these rows, so its column goes first.
    const auto it = m_columns.find(symbol);
    if (it == m_columns.end())
        return;
    const std::vector<Symbol> basics = std::move(it->second);
    m_columns.erase(it);
    for (const Symbol basic : basics) {
        remember(basic);
        visit(basic, m_rows.at(basic));
    }
}

void Tableau::substitute(Symbol symbol, const Row& row)
{
    forEachRowContaining(symbol, [&](Symbol basic, Row& target) {
        target.substitute(symbol, row, [&](Symbol changed, bool present) {
            if (changed == symbol)
                return;
            if (present)
                addColumnEntry(changed, basic);
            else
                removeColumnEntry(changed, basic);
        });
        if (!basic.isExternal() && target.constant() < 0.0 && !nearZero(target.constant()))
            m_infeasible.push_back(basic);
    });
    m_objective.substitute(symbol, row);
    if (m_artificial)
        m_artificial->substitute(symbol, row);
}

void Tableau::eliminate(Symbol symbol)
{
    forEachRowContaining(symbol, [symbol](Symbol, Row& target) { target.remove(symbol); });
    m_objective.remove(symbol);
    if (m_artificial)
        m_artificial->remove(symbol);
}

void Tableau::pivot(Symbol leaving, Symbol entering)
{
    Row row = takeRow(leaving);
    row.solveFor(leaving, entering);
    substitute(entering, row);
    addRow(entering, std::move(row));
}

Symbol Tableau::leavingRow(Symbol entering) const
{
    // The restricted row that first reaches zero as entering grows; ties go
    // to the lowest symbol (Bland's rule).
    Symbol best;
    double bestRatio = 0.0;
    for (const Symbol basic : rowsContaining(entering)) {
        if (basic.isExternal())
            continue;
        const Row& candidate = m_rows.at(basic);
        const double coefficient = candidate.coefficientFor(entering);
        if (coefficient >= 0.0)
            continue;
        const double ratio = -candidate.constant() / coefficient;
        const bool tie = best.isValid() && nearZero(ratio - bestRatio);
        if (!best.isValid() || (tie && basic < best) || (!tie && ratio < bestRatio)) {
            best = basic;
            bestRatio = ratio;
        }
    }
    return best;
}

bool Tableau::optimize()
{
    for (std::size_t count = 0;; ++count) {
        Symbol entering;
        if (m_artificial) {
            for (const Row::Cell& cell : m_artificial->cells()) {
                if (cell.coefficient < 0.0 && cell.symbol.isPivotable()) {
                    entering = cell.symbol;
                    break;
                }
            }
        } else {
            entering = m_objective.enteringSymbol();
        }
        if (!entering.isValid())
            return true;
        const Symbol leaving = leavingRow(entering);
        if (!leaving.isValid() || count >= pivotLimit()) {
            KESVOR_DEBUG_LOG << "Layout solver: simplex stopped"
                             << (leaving.isValid() ? "after too many pivots"
                                                   : "on an unbounded objective");
            return false;
        }
        pivot(leaving, entering);
    }
}

void Tableau::noteInfeasible(Symbol basic)
{
    m_infeasible.push_back(basic);
}

bool Tableau::dualOptimize()
{
    bool ok = true;
    std::size_t count = 0;
    while (!m_infeasible.empty()) {
        // Lowest first, so the result does not depend on the order of notes.
        const auto lowest = std::min_element(m_infeasible.begin(), m_infeasible.end());
        const Symbol leaving = *lowest;
        *lowest = m_infeasible.back();
        m_infeasible.pop_back();
        const Row* candidate = row(leaving);
        if (!candidate || candidate->constant() >= 0.0 || nearZero(candidate->constant()))
            continue;
        const Symbol entering = m_objective.dualEnteringSymbol(*candidate);
        if (!entering.isValid() || ++count > pivotLimit()) {
            KESVOR_DEBUG_LOG << "Layout solver: dual simplex left a row infeasible";
            ok = false;
            continue;
        }
        pivot(leaving, entering);
    }
    return ok;
}

void Tableau::remember(Symbol basic)
{
    if (!m_journal || m_journal->rows.contains(basic))
        return;
    const Row* current = row(basic);
    m_journal->rows.emplace(basic, current ? std::optional<Row>(*current) : std::nullopt);
}

void Tableau::begin()
{
    m_journal = Journal{{}, m_objective, m_infeasible};
}

void Tableau::rollback()
{
    if (!m_journal)
        return;
    Journal journal = std::move(*m_journal);
    m_journal.reset();
    for (auto& [basic, original] : journal.rows) {
        takeRow(basic);
        if (original)
            addRow(basic, std::move(*original));
    }
    m_objective = std::move(journal.objective);
    m_infeasible = std::move(journal.infeasible);
}

void Tableau::clear()
{
    m_rows.clear();
    m_columns.clear();
    m_objective.clear();
    m_artificial.reset();
    m_infeasible.clear();
    m_journal.reset();
}

} // namespace kesvor::ui::layout
