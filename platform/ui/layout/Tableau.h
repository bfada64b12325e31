#pragma once

#include "ui/layout/Objective.h"
#include "ui/layout/Row.h"

#include <optional>
#include <unordered_map>
#include <vector>

namespace kesvor::ui::layout {

/// The simplex tableau in basic feasible solved form: one row per basic
/// symbol, expressed over the parametric symbols, with a column index (which
/// rows mention a parametric symbol) so substitutions touch only those rows.
/// Runs the primal simplex against the objective (or a temporary artificial
/// objective) and the dual simplex after constants change.
class Tableau {
public:
    bool isBasic(Symbol symbol) const { return m_rows.contains(symbol); }
    const Row* row(Symbol basic) const;
    Row* row(Symbol basic);
    void addRow(Symbol basic, Row row);
    Row takeRow(Symbol basic);
    /// The basic symbols whose rows mention the parametric symbol.
    const std::vector<Symbol>& rowsContaining(Symbol symbol) const;

    Objective& objective() { return m_objective; }
    const Objective& objective() const { return m_objective; }

    /// Replaces symbol by row everywhere (rows, objective, artificial
    /// objective); rows of restricted symbols that turn negative are noted
    /// for the dual simplex.
    void substitute(Symbol symbol, const Row& row);
    /// Fixes a parametric symbol at zero by dropping it from every row.
    void eliminate(Symbol symbol);
    /// Makes entering basic in place of leaving.
    void pivot(Symbol leaving, Symbol entering);

    /// Minimises the objective, or the artificial objective while one is set.
    /// False if it had to give up (an unbounded objective or no progress),
    /// which a consistent tableau never does.
    bool optimize();
    void setArtificial(Row row) { m_artificial = std::move(row); }
    const Row& artificial() const { return *m_artificial; }
    void clearArtificial() { m_artificial.reset(); }

    /// Notes a restricted basic symbol whose row went negative.
    void noteInfeasible(Symbol basic);
    /// Restores feasibility after constants changed, keeping optimality.
    bool dualOptimize();

    /// From begin() on, every row about to change is remembered, so that
    /// rollback() can put the tableau back bit for bit; commit() forgets.
    void begin();
    void commit() { m_journal.reset(); }
    void rollback();

    std::size_t rowCount() const { return m_rows.size(); }
    void clear();

private:
    template <typename Visit> void forEachRowContaining(Symbol symbol, Visit&& visit);
    void addColumnEntry(Symbol symbol, Symbol basic);
    void removeColumnEntry(Symbol symbol, Symbol basic);
    Symbol leavingRow(Symbol entering) const;
    std::size_t pivotLimit() const { return 100 + 20 * m_rows.size(); }
    void remember(Symbol basic);

    struct Journal {
        std::unordered_map<Symbol, std::optional<Row>> rows; // nullopt: was not basic
        Objective objective;
        std::vector<Symbol> infeasible;
    };

    std::unordered_map<Symbol, Row> m_rows;
    std::unordered_map<Symbol, std::vector<Symbol>> m_columns;
    Objective m_objective;
    std::optional<Row> m_artificial;
    std::vector<Symbol> m_infeasible;
    std::optional<Journal> m_journal;
};

} // namespace kesvor::ui::layout
