// Turns parsed visual-format strings into layout constraints.
#include "ui/LayoutConstraint.h"

#include "foundation/DebugLog.h"
#include "ui/View.h"
#include "ui/layout/VisualFormat.h"

namespace kesvor::ui {

namespace {

using layout::VfConnection;
using layout::VfPredicate;
using layout::VisualFormat;

// "-" between two views, and between a view and its superview's edge.
constexpr double standardSiblingSpacing = 8;
constexpr double standardSuperviewSpacing = 20;

struct Axis {
    LayoutAttribute leading;
    LayoutAttribute trailing;
    LayoutAttribute size;
};

Axis axisOf(VisualFormat::Orientation orientation)
{
    if (orientation == VisualFormat::Orientation::Vertical)
        return {LayoutAttribute::Top, LayoutAttribute::Bottom, LayoutAttribute::Height};
    return {LayoutAttribute::Leading, LayoutAttribute::Trailing, LayoutAttribute::Width};
}

LayoutRelation relationOf(layout::Relation relation)
{
    switch (relation) {
    case layout::Relation::LessOrEqual:
        return LayoutRelation::LessThanOrEqual;
    case layout::Relation::GreaterOrEqual:
        return LayoutRelation::GreaterThanOrEqual;
    case layout::Relation::Equal:
        break;
    }
    return LayoutRelation::Equal;
}

class Builder {
public:
    Builder(const QString& format, const QHash<QString, View*>& views,
            const QHash<QString, double>& metrics)
        : m_format(format)
        , m_views(views)
        , m_metrics(metrics)
    {
    }

    std::optional<QList<LayoutConstraint>> build()
    {
        QString error;
        const std::optional<VisualFormat> parsed = VisualFormat::parse(m_format, &error);
        if (!parsed)
            return fail(error);
        m_axis = axisOf(parsed->orientation);

        QList<View*> chain;
        for (const auto& view : parsed->views) {
            View* item = m_views.value(view.name);
            if (!item)
                return fail(QStringLiteral("no view is named \"%1\"").arg(view.name));
            chain.append(item);
            for (const VfPredicate& predicate : view.sizePredicates)
                if (!addSize(item, predicate))
                    return std::nullopt;
        }
        if (chain.isEmpty())
            return fail(QStringLiteral("it names no view"));
        for (qsizetype i = 0; i + 1 < chain.size(); ++i)
            if (!connect(chain[i], m_axis.trailing, chain[i + 1], m_axis.leading,
                         parsed->connections.value(i), standardSiblingSpacing))
                return std::nullopt;
        if (parsed->leadingSuperview || parsed->trailingSuperview) {
            View* superview = chain.first()->superview();
            if (!superview)
                return fail(QStringLiteral("\"|\" needs the views to have a superview"));
            if (parsed->leadingSuperview &&
                !connect(superview, m_axis.leading, chain.first(), m_axis.leading,
                         parsed->leadingConnection, standardSuperviewSpacing))
                return std::nullopt;
            if (parsed->trailingSuperview &&
                !connect(chain.last(), m_axis.trailing, superview, m_axis.trailing,
                         parsed->trailingConnection, standardSuperviewSpacing))
                return std::nullopt;
        }
        return m_result;
    }

private:
    std::nullopt_t fail(const QString& problem) const
    {
        KESVOR_DEBUG_LOG << "Unable to build constraints from the visual format" << m_format << "-"
                         << problem;
        return std::nullopt;
    }

    void append(LayoutConstraint constraint, const VfPredicate& predicate)
    {
        if (predicate.priority)
            constraint.setPriority(*predicate.priority);
        m_result.append(constraint);
    }

    // A predicate's number: its constant, or a metric it names.
    std::optional<double> number(const VfPredicate& predicate) const
    {
        if (predicate.constant)
            return predicate.constant;
        const auto metric = m_metrics.constFind(predicate.viewName);
        if (metric != m_metrics.cend())
            return *metric;
        return std::nullopt;
    }

    bool addSize(View* item, const VfPredicate& predicate)
    {
        const LayoutRelation relation = relationOf(predicate.relation);
        if (predicate.viewName.isEmpty() || m_metrics.contains(predicate.viewName)) {
            append(LayoutConstraint(item, m_axis.size, relation, number(predicate).value_or(0.0)),
                   predicate);
            return true;
        }
        View* other = m_views.value(predicate.viewName);
        if (!other) {
            fail(QStringLiteral("no view is named \"%1\"").arg(predicate.viewName));
            return false;
        }
        append(LayoutConstraint(item, m_axis.size, relation, other, m_axis.size, 1.0,
                                predicate.constant.value_or(0.0)),
               predicate);
        return true;
    }

    // after.afterEdge relates to before.beforeEdge + spacing.
    bool connect(View* before, LayoutAttribute beforeEdge, View* after, LayoutAttribute afterEdge,
                 const VfConnection& connection, double standard)
    {
        if (connection.predicates.isEmpty()) {
            const double spacing = connection.standard ? standard : 0.0;
            m_result.append(LayoutConstraint(after, afterEdge, LayoutRelation::Equal, before,
                                             beforeEdge, 1.0, spacing));
            return true;
        }
        for (const VfPredicate& predicate : connection.predicates) {
            const std::optional<double> spacing = number(predicate);
            if (!spacing) {
                fail(QStringLiteral("a spacing must be a number, not \"%1\"")
                         .arg(predicate.viewName));
                return false;
            }
            append(LayoutConstraint(after, afterEdge, relationOf(predicate.relation), before,
                                    beforeEdge, 1.0, *spacing),
                   predicate);
        }
        return true;
    }

    const QString& m_format;
    const QHash<QString, View*>& m_views;
    const QHash<QString, double>& m_metrics;
    Axis m_axis{};
    QList<LayoutConstraint> m_result;
};

} // namespace

QList<LayoutConstraint>
LayoutConstraint::constraintsWithVisualFormat(const QString& format,
                                              const QHash<QString, View*>& views,
                                              const QHash<QString, double>& metrics)
{
    return Builder(format, views, metrics).build().value_or(QList<LayoutConstraint>());
}

} // namespace kesvor::ui
