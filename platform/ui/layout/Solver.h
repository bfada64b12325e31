#pragma once

#include "ui/layout/Constraint.h"
#include "ui/layout/Tableau.h"

#include <unordered_map>

namespace kesvor::ui::layout {

enum class AddResult { Added, Duplicate, Unsatisfiable };

/// An incremental Cassowary solver for linear equalities and inequalities
/// with strengths. Constraints and edit variables can be added and removed at
/// any time; updateVariables() writes the current solution into the
/// variables. Nothing throws: a constraint that cannot be added is refused
/// and leaves the solver exactly as it was.
class Solver {
public:
    using AddResult = layout::AddResult;

    Solver() = default;
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;

    /// Added; Duplicate if this very constraint is already in the solver;
    /// Unsatisfiable for a required constraint that conflicts with the
    /// required constraints present, and for a null constraint or one with
    /// a coefficient or constant that is not finite.
    AddResult addConstraint(const Constraint& constraint);
    bool removeConstraint(const Constraint& constraint);
    bool hasConstraint(const Constraint& constraint) const;

    /// Makes variable suggestible at the given strength, which must be below
    /// required. Until a value is suggested it is held where it is: at its
    /// current solution, or at value() if no constraint mentions it yet.
    bool addEditVariable(const Variable& variable, double strength);
    bool removeEditVariable(const Variable& variable);
    bool hasEditVariable(const Variable& variable) const;
    /// Pulls an edit variable towards value, re-solving incrementally.
    bool suggestValue(const Variable& variable, double value);

    /// Writes the current solution into every variable the solver knows.
    void updateVariables();
    /// Forgets every constraint and edit variable.
    void reset();

    std::size_t constraintCount() const { return m_constraints.size(); }
    std::size_t rowCount() const { return m_tableau.rowCount(); }

private:
    struct Tag {
        Symbol marker;
        Symbol other;
    };
    struct VariableEntry {
        Symbol symbol;
        int uses = 0;
    };
    struct Edit {
        Constraint constraint;
        double value = 0.0;
    };

    Symbol newSymbol(Symbol::Kind kind) { return Symbol(++m_lastSymbolId, kind); }
    Symbol symbolFor(const Variable& variable);
    double currentValue(const Variable& variable) const;
    Row createRow(const Constraint& constraint, Tag& tag);
    static Symbol chooseSubject(const Row& row, const Tag& tag);
    bool addWithArtificialVariable(const Row& row);
    void forgetUnusedVariables(const Constraint& constraint);
    void releaseVariables(const Constraint& constraint);
    void removeErrorEffects(Symbol error, double strength);
    void discardSymbol(Symbol symbol);
    Symbol markerLeavingRow(Symbol marker) const;
    void enforceDummyRows(const std::vector<Symbol>& basics);
    void optimize();

    Tableau m_tableau;
    std::unordered_map<Constraint, Tag> m_constraints;
    std::unordered_map<Variable, VariableEntry> m_variables;
    std::unordered_map<Variable, Edit> m_edits;
    std::uint64_t m_lastSymbolId = 0;
};

} // namespace kesvor::ui::layout
