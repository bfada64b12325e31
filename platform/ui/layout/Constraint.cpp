#include "ui/layout/Constraint.h"

#include <cmath>

namespace kesvor::ui::layout {

namespace {

const Expression& emptyExpression()
{
    static const Expression empty;
    return empty;
}

const char* relationText(Relation relation)
{
    switch (relation) {
    case Relation::LessOrEqual:
        return "<=";
    case Relation::GreaterOrEqual:
        return ">=";
    case Relation::Equal:
        break;
    }
    return "==";
}

} // namespace

Constraint::Constraint(const Expression& lhs, Relation relation, const Expression& rhs,
                       double strength)
{
    Expression difference = lhs;
    difference += -rhs;
    m_data = std::make_shared<const Data>(
        Data{difference.reduced(), relation, Strength::clip(strength)});
}

const Expression& Constraint::expression() const
{
    return m_data ? m_data->expression : emptyExpression();
}

Relation Constraint::relation() const
{
    return m_data ? m_data->relation : Relation::Equal;
}

double Constraint::strength() const
{
    return m_data ? m_data->strength : Strength::required;
}

Constraint Constraint::withStrength(double strength) const
{
    return Constraint(expression(), relation(), Expression(), strength);
}

bool Constraint::isSatisfied(double tolerance) const
{
    const double value = expression().value();
    switch (relation()) {
    case Relation::LessOrEqual:
        return value <= tolerance;
    case Relation::GreaterOrEqual:
        return value >= -tolerance;
    case Relation::Equal:
        break;
    }
    return std::abs(value) <= tolerance;
}

QString Constraint::description() const
{
    if (isNull())
        return QStringLiteral("(null constraint)");
    QStringList parts;
    for (const Term& term : expression().terms()) {
        const QString name =
            term.variable().name().isEmpty() ? QStringLiteral("?") : term.variable().name();
        parts << QStringLiteral("%1*%2").arg(term.coefficient()).arg(name);
    }
    if (expression().constant() != 0.0 || parts.isEmpty())
        parts << QString::number(expression().constant());
    return QStringLiteral("%1 %2 0 (strength %3)")
        .arg(parts.join(QStringLiteral(" + ")), QLatin1String(relationText(relation())))
        .arg(strength());
}

} // namespace kesvor::ui::layout
