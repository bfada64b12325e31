#include "ui/layout/Solver.h"

#include "foundation/DebugLog.h"

#include <algorithm>
#include <cmath>

namespace kesvor::ui::layout {

namespace {

bool isFinite(const Expression& expression)
{
    return std::isfinite(expression.constant()) &&
           std::all_of(expression.terms().begin(), expression.terms().end(),
                       [](const Term& term) { return std::isfinite(term.coefficient()); });
}

bool allDummies(const Row& row)
{
    return std::all_of(row.cells().begin(), row.cells().end(),
                       [](const Row::Cell& cell) { return cell.symbol.isDummy(); });
}

/// The symbol to bring into the basis in place of a symbol that must leave
/// its row: a slack or error if there is one, else any other.
Symbol replacementIn(const Row& row)
{
    for (const Row::Cell& cell : row.cells()) {
        if (cell.symbol.isPivotable())
            return cell.symbol;
    }
    for (const Row::Cell& cell : row.cells()) {
        if (!cell.symbol.isDummy())
            return cell.symbol;
    }
    return row.cells().empty() ? Symbol() : row.cells().front().symbol;
}

} // namespace

AddResult Solver::addConstraint(const Constraint& constraint)
{
    if (constraint.isNull() || !isFinite(constraint.expression())) {
        KESVOR_DEBUG_LOG << "Layout solver: refused" << constraint.description();
        return AddResult::Unsatisfiable;
    }
    if (m_constraints.contains(constraint))
        return AddResult::Duplicate;

    Tag tag;
    Row row = createRow(constraint, tag);
    Symbol subject = chooseSubject(row, tag);
    if (!subject.isValid() && allDummies(row)) {
        // Every symbol is pinned at zero: the constraint either repeats what
        // the required constraints already say, or contradicts them.
        if (!nearZero(row.constant())) {
            forgetUnusedVariables(constraint);
            return AddResult::Unsatisfiable;
        }
        subject = tag.marker;
    }
    if (subject.isValid()) {
        row.solveFor(subject);
        m_tableau.substitute(subject, row);
        m_tableau.addRow(subject, std::move(row));
    } else if (!addWithArtificialVariable(row)) {
        forgetUnusedVariables(constraint);
        return AddResult::Unsatisfiable;
    }

    // Only an accepted constraint reaches the objective, so a refusal never
    // has anything to take back there.
    for (const Symbol error : {tag.marker, tag.other}) {
        if (error.kind() == Symbol::Kind::Error)
            m_tableau.objective().addError(error, constraint.strength(), m_tableau.row(error));
    }
    m_constraints.emplace(constraint, tag);
    for (const Term& term : constraint.expression().terms())
        ++m_variables[term.variable()].uses;
    optimize();
    return AddResult::Added;
}

Symbol Solver::symbolFor(const Variable& variable)
{
    VariableEntry& entry = m_variables[variable];
    if (!entry.symbol.isValid())
        entry.symbol = newSymbol(Symbol::Kind::External);
    return entry.symbol;
}

Row Solver::createRow(const Constraint& constraint, Tag& tag)
{
    const Expression& expression = constraint.expression();
    Row row(expression.constant());
    for (const Term& term : expression.terms()) {
        const Symbol symbol = symbolFor(term.variable());
        if (const Row* basic = m_tableau.row(symbol))
            row.insert(*basic, term.coefficient());
        else
            row.insert(symbol, term.coefficient());
    }

    // Inequalities get a slack, non-required constraints error symbols for
    // the objective, required equalities a dummy that marks their row.
    const bool required = constraint.isRequired();
    if (constraint.relation() == Relation::Equal) {
        if (required) {
            tag.marker = newSymbol(Symbol::Kind::Dummy);
            row.insert(tag.marker, 1.0);
        } else {
            tag.marker = newSymbol(Symbol::Kind::Error);
            tag.other = newSymbol(Symbol::Kind::Error);
            row.insert(tag.marker, -1.0);
            row.insert(tag.other, 1.0);
        }
    } else {
        const double sign = constraint.relation() == Relation::LessOrEqual ? 1.0 : -1.0;
        tag.marker = newSymbol(Symbol::Kind::Slack);
        row.insert(tag.marker, sign);
        if (!required) {
            tag.other = newSymbol(Symbol::Kind::Error);
            row.insert(tag.other, -sign);
        }
    }
    if (row.constant() < 0.0)
        row.reverseSign();
    return row;
}

Symbol Solver::chooseSubject(const Row& row, const Tag& tag)
{
    for (const Row::Cell& cell : row.cells()) {
        if (cell.symbol.isExternal())
            return cell.symbol;
    }
    // A restricted subject must come out non-negative: with the row's
    // constant >= 0 that takes a negative coefficient.
    for (const Symbol candidate : {tag.marker, tag.other}) {
        if (candidate.isPivotable() && row.coefficientFor(candidate) < 0.0)
            return candidate;
    }
    return {};
}

bool Solver::addWithArtificialVariable(const Row& row)
{
    // Minimise an artificial variable standing for the row: the constraint
    // can hold exactly when its minimum is zero.
    // A refusal must leave no trace, so the attempt runs as a transaction.
    const Symbol artificial = newSymbol(Symbol::Kind::Slack);
    m_tableau.begin();
    m_tableau.addRow(artificial, row);
    m_tableau.setArtificial(row);
    const bool finished = m_tableau.optimize();
    const bool satisfiable = finished && nearZero(m_tableau.artificial().constant());
    m_tableau.clearArtificial();
    if (!satisfiable) {
        m_tableau.rollback();
        return false;
    }
    m_tableau.commit();
    if (m_tableau.isBasic(artificial)) {
        Row artificialRow = m_tableau.takeRow(artificial);
        if (!artificialRow.cells().empty()) {
            const Symbol entering = replacementIn(artificialRow);
            artificialRow.solveFor(artificial, entering);
            m_tableau.substitute(entering, artificialRow);
            m_tableau.addRow(entering, std::move(artificialRow));
        }
    }
    m_tableau.eliminate(artificial);
    return true;
}

void Solver::forgetUnusedVariables(const Constraint& constraint)
{
    for (const Term& term : constraint.expression().terms()) {
        const auto it = m_variables.find(term.variable());
        if (it != m_variables.end() && it->second.uses <= 0) {
            discardSymbol(it->second.symbol);
            m_variables.erase(it);
        }
    }
}

bool Solver::removeConstraint(const Constraint& constraint)
{
    const auto it = m_constraints.find(constraint);
    if (it == m_constraints.end())
        return false;
    const Tag tag = it->second;
    m_constraints.erase(it);

    removeErrorEffects(tag.marker, constraint.strength());
    removeErrorEffects(tag.other, constraint.strength());

    // Bring the marker into the basis and drop its row: that drops exactly
    // this constraint's contribution to the tableau.
    std::vector<Symbol> dummyRows;
    if (m_tableau.isBasic(tag.marker)) {
        m_tableau.takeRow(tag.marker);
    } else if (const Symbol leaving = markerLeavingRow(tag.marker); leaving.isValid()) {
        for (const Symbol basic : m_tableau.rowsContaining(tag.marker)) {
            if (basic.isDummy())
                dummyRows.push_back(basic);
        }
        std::sort(dummyRows.begin(), dummyRows.end());
        Row row = m_tableau.takeRow(leaving);
        row.solveFor(leaving, tag.marker);
        m_tableau.substitute(tag.marker, row);
    }
    // With the marker gone the constraint's second error symbol is free of
    // any relation and would only linger in the tableau.
    if (tag.other.isValid())
        discardSymbol(tag.other);
    releaseVariables(constraint);
    enforceDummyRows(dummyRows);
    optimize();
    return true;
}

void Solver::removeErrorEffects(Symbol error, double strength)
{
    if (error.kind() == Symbol::Kind::Error)
        m_tableau.objective().removeError(error, strength, m_tableau.row(error));
}

void Solver::discardSymbol(Symbol symbol)
{
    if (m_tableau.isBasic(symbol))
        m_tableau.takeRow(symbol);
    else
        m_tableau.eliminate(symbol);
}

Symbol Solver::markerLeavingRow(Symbol marker) const
{
    // Prefer a restricted row that stays feasible when the marker grows,
    // then one that stays feasible when it shrinks, then an unrestricted row.
    struct Best {
        Symbol symbol;
        double ratio = 0.0;
        void offer(Symbol candidate, double value)
        {
            if (!symbol.isValid() || value < ratio || (value == ratio && candidate < symbol)) {
                symbol = candidate;
                ratio = value;
            }
        }
    } growing, shrinking, unrestricted;
    for (const Symbol basic : m_tableau.rowsContaining(marker)) {
        const Row& row = *m_tableau.row(basic);
        const double coefficient = row.coefficientFor(marker);
        if (basic.isExternal())
            unrestricted.offer(basic, 0.0);
        else if (coefficient < 0.0)
            growing.offer(basic, -row.constant() / coefficient);
        else
            shrinking.offer(basic, row.constant() / coefficient);
    }
    for (const Best& best : {growing, shrinking, unrestricted}) {
        if (best.symbol.isValid())
            return best.symbol;
    }
    return {};
}

void Solver::enforceDummyRows(const std::vector<Symbol>& basics)
{
    // A dummy is basic only for a constraint that was redundant when added.
    // Once its row depends on more than dummies, the constraint it marks has
    // become binding and must be held at zero like a new one.
    for (const Symbol dummy : basics) {
        const Row* basic = m_tableau.row(dummy);
        if (!basic || allDummies(*basic))
            continue;
        Row row = m_tableau.takeRow(dummy);
        row.insert(dummy, -1.0);
        if (row.constant() < 0.0)
            row.reverseSign();
        const auto external =
            std::find_if(row.cells().begin(), row.cells().end(),
                         [](const Row::Cell& cell) { return cell.symbol.isExternal(); });
        if (external != row.cells().end()) {
            const Symbol subject = external->symbol;
            row.solveFor(subject);
            m_tableau.substitute(subject, row);
            m_tableau.addRow(subject, std::move(row));
        } else if (!addWithArtificialVariable(row)) {
            KESVOR_DEBUG_LOG << "Layout solver: a formerly redundant constraint no longer holds";
        }
    }
}

void Solver::releaseVariables(const Constraint& constraint)
{
    for (const Term& term : constraint.expression().terms()) {
        const auto it = m_variables.find(term.variable());
        if (it != m_variables.end() && --it->second.uses <= 0) {
            discardSymbol(it->second.symbol);
            m_variables.erase(it);
        }
    }
}

bool Solver::hasConstraint(const Constraint& constraint) const
{
    return m_constraints.contains(constraint);
}

bool Solver::addEditVariable(const Variable& variable, double strength)
{
    if (m_edits.contains(variable) || std::isnan(strength) || Strength::isRequired(strength))
        return false;
    // Start from where the variable is, so that making it editable moves nothing.
    const double value = currentValue(variable);
    const Constraint constraint(variable, Relation::Equal, value, strength);
    if (addConstraint(constraint) != AddResult::Added)
        return false;
    m_edits.emplace(variable, Edit{constraint, value});
    return true;
}

double Solver::currentValue(const Variable& variable) const
{
    const auto it = m_variables.find(variable);
    if (it == m_variables.end())
        return variable.value();
    const Row* row = m_tableau.row(it->second.symbol);
    return row ? row->constant() : 0.0;
}

bool Solver::removeEditVariable(const Variable& variable)
{
    const auto it = m_edits.find(variable);
    if (it == m_edits.end())
        return false;
    removeConstraint(it->second.constraint);
    m_edits.erase(it);
    return true;
}

bool Solver::hasEditVariable(const Variable& variable) const
{
    return m_edits.contains(variable);
}

bool Solver::suggestValue(const Variable& variable, double value)
{
    const auto it = m_edits.find(variable);
    if (it == m_edits.end() || !std::isfinite(value))
        return false;
    const double delta = value - it->second.value;
    it->second.value = value;

    // Moving the edit constraint's constant by delta shifts every row by
    // delta times its coefficient on the constraint's error symbols.
    const Tag& tag = m_constraints.at(it->second.constraint);
    if (Row* row = m_tableau.row(tag.marker)) {
        row->addConstant(-delta);
        if (row->constant() < 0.0)
            m_tableau.noteInfeasible(tag.marker);
    } else if (Row* row = m_tableau.row(tag.other)) {
        row->addConstant(delta);
        if (row->constant() < 0.0)
            m_tableau.noteInfeasible(tag.other);
    } else {
        for (const Symbol basic : m_tableau.rowsContaining(tag.marker)) {
            Row* affected = m_tableau.row(basic);
            affected->addConstant(delta * affected->coefficientFor(tag.marker));
            if (!basic.isExternal() && affected->constant() < 0.0)
                m_tableau.noteInfeasible(basic);
        }
    }
    m_tableau.dualOptimize();
    return true;
}

void Solver::updateVariables()
{
    for (const auto& [variable, entry] : m_variables) {
        const Row* row = m_tableau.row(entry.symbol);
        const double value = row ? row->constant() : 0.0;
        Variable handle = variable;
        handle.setValue(value == 0.0 ? 0.0 : value); // no negative zero
    }
}

void Solver::reset()
{
    m_tableau.clear();
    m_constraints.clear();
    m_variables.clear();
    m_edits.clear();
}

void Solver::optimize()
{
    if (!m_tableau.optimize())
        KESVOR_DEBUG_LOG << "Layout solver: the solution may not be optimal";
}

} // namespace kesvor::ui::layout
