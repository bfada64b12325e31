#pragma once

#include "ui/layout/Solver.h"
#include "ui/layout/VisualFormat.h"

#include <QtCore/QHash>

#include <vector>

namespace kesvor::test {

/// Lays out one axis of a visual format string with a bare solver, the way
/// the view layer does it: each view has a leading edge and a size, the
/// superview spans 0...length, "-" is 8 between views and 20 to the edge.
class ChainLayout {
public:
    struct Item {
        ui::layout::Variable leading;
        ui::layout::Variable size;
    };

    static constexpr double standardSpacing = 8.0;
    static constexpr double superviewSpacing = 20.0;

    ChainLayout(ui::layout::Solver& solver, double length);

    /// The constraints of one format, added to the solver. False if the
    /// format does not parse or the solver refuses one of them.
    bool add(const QString& format);
    /// The constraints of one already parsed format, without adding them.
    std::vector<ui::layout::Constraint> constraints(const ui::layout::VisualFormat& format);

    Item& item(const QString& name);
    double leading(const QString& name) { return item(name).leading.value(); }
    double size(const QString& name) { return item(name).size.value(); }

private:
    void addConnection(std::vector<ui::layout::Constraint>& out, const ui::layout::Expression& gap,
                       const ui::layout::VfConnection& connection, double standard);

    ui::layout::Solver& m_solver;
    double m_length;
    QHash<QString, Item> m_items;
};

} // namespace kesvor::test
