#include "layout/ChainLayout.h"

namespace kesvor::test {

using namespace ui::layout;

namespace {

double strengthOf(const VfPredicate& predicate)
{
    return predicate.priority ? Strength::fromPriority(*predicate.priority) : Strength::required;
}

} // namespace

ChainLayout::ChainLayout(Solver& solver, double length)
    : m_solver(solver)
    , m_length(length)
{
}

ChainLayout::Item& ChainLayout::item(const QString& name)
{
    auto it = m_items.find(name);
    if (it == m_items.end())
        it = m_items.insert(name, Item{Variable(name + ".leading"), Variable(name + ".size")});
    return *it;
}

bool ChainLayout::add(const QString& format)
{
    const std::optional<VisualFormat> parsed = VisualFormat::parse(format);
    if (!parsed)
        return false;
    for (const Constraint& constraint : constraints(*parsed)) {
        if (m_solver.addConstraint(constraint) != AddResult::Added)
            return false;
    }
    m_solver.updateVariables();
    return true;
}

void ChainLayout::addConnection(std::vector<Constraint>& out, const Expression& gap,
                                const VfConnection& connection, double standard)
{
    if (connection.predicates.isEmpty()) {
        out.push_back(gap == (connection.standard ? standard : 0.0));
        return;
    }
    for (const VfPredicate& predicate : connection.predicates)
        out.emplace_back(gap, predicate.relation, *predicate.constant, strengthOf(predicate));
}

std::vector<Constraint> ChainLayout::constraints(const VisualFormat& format)
{
    std::vector<Constraint> out;
    for (const VfView& view : format.views) {
        const Item& subject = item(view.name);
        for (const VfPredicate& predicate : view.sizePredicates) {
            const Expression other = predicate.constant ? Expression(*predicate.constant)
                                                        : Expression(item(predicate.viewName).size);
            out.emplace_back(subject.size, predicate.relation, other, strengthOf(predicate));
        }
    }
    const auto trailing = [this](const VfView& view) {
        const Item& it = item(view.name);
        return it.leading + it.size;
    };
    if (format.leadingSuperview)
        addConnection(out, Expression(item(format.views.first().name).leading),
                      format.leadingConnection, superviewSpacing);
    for (qsizetype i = 0; i + 1 < format.views.size(); ++i)
        addConnection(out, item(format.views[i + 1].name).leading - trailing(format.views[i]),
                      format.connections[i], standardSpacing);
    if (format.trailingSuperview)
        addConnection(out, m_length - trailing(format.views.last()), format.trailingConnection,
                      superviewSpacing);
    return out;
}

} // namespace kesvor::test
