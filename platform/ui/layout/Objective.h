#pragma once

#include "ui/layout/Row.h"

#include <vector>

namespace kesvor::ui::layout {

/// What the simplex minimises: for every strength in use, the sum of the
/// error symbols of the constraints of that strength. The sums are compared
/// lexicographically, strongest first, so no amount of error at one strength
/// is ever traded for less error at a stronger one. Each level is a row over
/// the tableau's parametric symbols.
class Objective {
public:
    /// Adds an error symbol of a constraint of the given strength; basicRow
    /// is the symbol's row when it is basic.
    void addError(Symbol error, double strength, const Row* basicRow);
    /// Takes an error symbol back out, dropping its level when it was the last.
    void removeError(Symbol error, double strength, const Row* basicRow);

    void substitute(Symbol symbol, const Row& row);
    /// Drops a parametric symbol that the tableau fixes at zero.
    void remove(Symbol symbol);

    /// The first (lowest) non-dummy symbol whose lexicographic coefficient is
    /// negative, i.e. whose increase lowers the objective; invalid when the
    /// objective is optimal.
    Symbol enteringSymbol() const;

    /// For the dual simplex: among the row's non-dummy symbols with positive
    /// coefficients, the one with the smallest lexicographic ratio of
    /// objective coefficient to row coefficient; invalid when there is none.
    Symbol dualEnteringSymbol(const Row& row) const;

    /// The value of each level, strongest first (for tests and diagnostics).
    std::vector<double> values() const;

    void clear() { m_levels.clear(); }

private:
    struct Level {
        double strength;
        Row row;
        int errorCount = 0;
    };

    Level* levelFor(double strength);
    /// -1, 0 or 1: the sign of the first level coefficient that is not zero.
    int lexicographicSign(Symbol symbol) const;
    /// Compares a/sa with b/sb level by level.
    int compareRatios(Symbol a, double sa, Symbol b, double sb) const;

    std::vector<Level> m_levels; // strongest first
};

} // namespace kesvor::ui::layout
