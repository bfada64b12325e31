#include "ui/LayoutConstraint.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "ui/LayoutEngine.h"
#include "ui/View.h"

#include <QtCore/QPointer>

#include <cmath>

namespace kesvor::ui {

namespace {

enum class AttributeKind { None, Horizontal, Vertical, Size };

AttributeKind kindOf(LayoutAttribute attribute)
{
    switch (attribute) {
    case LayoutAttribute::Left:
    case LayoutAttribute::Right:
    case LayoutAttribute::Leading:
    case LayoutAttribute::Trailing:
    case LayoutAttribute::CenterX:
        return AttributeKind::Horizontal;
    case LayoutAttribute::Top:
    case LayoutAttribute::Bottom:
    case LayoutAttribute::CenterY:
        return AttributeKind::Vertical;
    case LayoutAttribute::Width:
    case LayoutAttribute::Height:
        return AttributeKind::Size;
    case LayoutAttribute::NotAnAttribute:
        break;
    }
    return AttributeKind::None;
}

QString attributeName(LayoutAttribute attribute)
{
    static const char* const names[] = {"notAnAttribute", "left",    "right",    "top",
                                        "bottom",         "leading", "trailing", "width",
                                        "height",         "centerX", "centerY"};
    return QString::fromLatin1(names[static_cast<int>(attribute)]);
}

QString relationSymbol(LayoutRelation relation)
{
    switch (relation) {
    case LayoutRelation::LessThanOrEqual:
        return QStringLiteral("<=");
    case LayoutRelation::GreaterThanOrEqual:
        return QStringLiteral(">=");
    case LayoutRelation::Equal:
        break;
    }
    return QStringLiteral("==");
}

QString viewName(const View* view)
{
    if (!view)
        return QStringLiteral("(gone)");
    const QString name = view->objectName();
    return QStringLiteral("%1(%2)").arg(
        QString::fromLatin1(view->metaObject()->className()),
        name.isEmpty() ? QStringLiteral("0x%1").arg(quintptr(view), 0, 16) : name);
}

} // namespace

LayoutAxis axisOf(LayoutAttribute attribute)
{
    return kindOf(attribute) == AttributeKind::Vertical || attribute == LayoutAttribute::Height
               ? LayoutAxis::Vertical
               : LayoutAxis::Horizontal;
}

struct LayoutConstraint::Data {
    QPointer<View> first;
    LayoutAttribute firstAttribute = LayoutAttribute::NotAnAttribute;
    LayoutRelation relation = LayoutRelation::Equal;
    QPointer<View> second;
    bool hasSecond = false;
    LayoutAttribute secondAttribute = LayoutAttribute::NotAnAttribute;
    double multiplier = 1;
    double constant = 0;
    float priority = LayoutPriority::required;
    bool active = false;
    // Set when the engine had to leave the constraint out, so that the
    // report is made once and not on every layout pass.
    bool dropped = false;
    // Order of activation: the engine re-adds constraints in this order, so
    // a rebuild drops the same constraint as the original activation did.
    quint64 sequence = 0;
    QString identifier;
};

LayoutConstraint::LayoutConstraint(View* item, LayoutAttribute attribute, LayoutRelation relation,
                                   View* toItem, LayoutAttribute toAttribute, double multiplier,
                                   double constant)
    : d(std::make_shared<Data>())
{
    d->first = item;
    d->firstAttribute = attribute;
    d->relation = relation;
    d->second = toItem;
    d->hasSecond = toItem != nullptr;
    d->secondAttribute = toItem ? toAttribute : LayoutAttribute::NotAnAttribute;
    d->multiplier = multiplier;
    d->constant = constant;
}

LayoutConstraint::LayoutConstraint(View* item, LayoutAttribute attribute, LayoutRelation relation,
                                   double constant)
    : LayoutConstraint(item, attribute, relation, nullptr, LayoutAttribute::NotAnAttribute, 1.0,
                       constant)
{
}

View* LayoutConstraint::firstItem() const
{
    return d ? d->first.data() : nullptr;
}

LayoutAttribute LayoutConstraint::firstAttribute() const
{
    return d ? d->firstAttribute : LayoutAttribute::NotAnAttribute;
}

LayoutRelation LayoutConstraint::relation() const
{
    return d ? d->relation : LayoutRelation::Equal;
}

View* LayoutConstraint::secondItem() const
{
    return d ? d->second.data() : nullptr;
}

LayoutAttribute LayoutConstraint::secondAttribute() const
{
    return d ? d->secondAttribute : LayoutAttribute::NotAnAttribute;
}

double LayoutConstraint::multiplier() const
{
    return d ? d->multiplier : 1.0;
}

double LayoutConstraint::constant() const
{
    return d ? d->constant : 0.0;
}

void LayoutConstraint::setConstant(double constant)
{
    if (!d || constant == d->constant)
        return;
    if (!std::isfinite(constant)) {
        KESVOR_DEBUG_LOG << "Ignoring a constant that is not finite for" << description();
        return;
    }
    d->constant = constant;
    reinstall();
}

float LayoutConstraint::priority() const
{
    return d ? d->priority : LayoutPriority::required;
}

void LayoutConstraint::setPriority(float priority)
{
    if (!d)
        return;
    priority = std::isnan(priority) ? LayoutPriority::required
                                    : std::clamp(priority, 1.0f, LayoutPriority::required);
    if (priority == d->priority)
        return;
    d->priority = priority;
    reinstall();
}

void LayoutConstraint::reinstall()
{
    if (!d->active || !d->first)
        return;
    View* root = d->first->rootView();
    root->engine().constraintChanged(*this);
    root->setNeedsLayout();
}

bool LayoutConstraint::isActive() const
{
    return d && d->active;
}

bool LayoutConstraint::isDropped() const
{
    return d && d->active && d->dropped;
}

QString LayoutConstraint::identifier() const
{
    return d ? d->identifier : QString();
}

void LayoutConstraint::setIdentifier(const QString& identifier)
{
    if (d)
        d->identifier = identifier;
}

QString LayoutConstraint::description() const
{
    if (!d)
        return QStringLiteral("(null constraint)");
    QString text = viewName(d->first) + QLatin1Char('.') + attributeName(d->firstAttribute) +
                   QLatin1Char(' ') + relationSymbol(d->relation) + QLatin1Char(' ');
    if (d->hasSecond) {
        if (d->multiplier != 1.0)
            text += QString::number(d->multiplier) + QLatin1Char('*');
        text += viewName(d->second) + QLatin1Char('.') + attributeName(d->secondAttribute);
        if (d->constant != 0.0)
            text += (d->constant > 0 ? QStringLiteral(" + ") : QStringLiteral(" - ")) +
                    QString::number(std::abs(d->constant));
    } else {
        text += QString::number(d->constant);
    }
    if (d->priority < LayoutPriority::required)
        text += QStringLiteral(" @") + QString::number(d->priority);
    if (!d->identifier.isEmpty())
        text += QStringLiteral(" [") + d->identifier + QLatin1Char(']');
    return text;
}

bool LayoutConstraint::validate(QString* problem) const
{
    if (!d->first) {
        *problem = QStringLiteral("it has no first item");
        return false;
    }
    const AttributeKind first = kindOf(d->firstAttribute);
    if (first == AttributeKind::None) {
        *problem = QStringLiteral("its first attribute is not an attribute");
        return false;
    }
    if (!std::isfinite(d->constant) || !std::isfinite(d->multiplier)) {
        *problem = QStringLiteral("its constant or multiplier is not finite");
        return false;
    }
    if (!d->hasSecond)
        return first == AttributeKind::Size ||
               (*problem = QStringLiteral("a position needs a second item"), false);
    if (!d->second) {
        *problem = QStringLiteral("its second item is gone");
        return false;
    }
    if (kindOf(d->secondAttribute) != first) {
        *problem = QStringLiteral("it relates attributes of different kinds");
        return false;
    }
    if (d->first->rootView() != d->second->rootView()) {
        *problem = QStringLiteral("its items have no common ancestor");
        return false;
    }
    return true;
}

void LayoutConstraint::setActive(bool active)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!d || active == d->active)
        return;
    if (!active) {
        View* first = d->first;
        detachFromViews();
        d->active = false;
        d->dropped = false;
        if (first) {
            View* root = first->rootView();
            if (LayoutEngine* engine = root->existingEngine())
                engine->removeConstraint(*this);
            root->setNeedsLayout();
        }
        return;
    }
    QString problem;
    if (!validate(&problem)) {
        KESVOR_DEBUG_LOG << "Unable to activate constraint" << description() << "-" << problem;
        return;
    }
    static quint64 nextSequence = 0;
    d->sequence = ++nextSequence;
    d->active = true;
    d->dropped = false;
    d->first->m_constraints.append(*this);
    if (d->second && d->second != d->first)
        d->second->m_constraints.append(*this);
    View* root = d->first->rootView();
    root->engine().addConstraint(*this);
    root->setNeedsLayout();
}

quint64 LayoutConstraint::sequence() const
{
    return d ? d->sequence : 0;
}

void LayoutConstraint::setDropped(bool dropped) const
{
    if (d)
        d->dropped = dropped;
}

bool LayoutConstraint::wasDropped() const
{
    return d && d->dropped;
}

void LayoutConstraint::detachFromViews()
{
    if (d->first)
        d->first->m_constraints.removeOne(*this);
    if (d->second)
        d->second->m_constraints.removeOne(*this);
}

void LayoutConstraint::activate(const QList<LayoutConstraint>& constraints)
{
    for (LayoutConstraint constraint : constraints)
        constraint.setActive(true);
}

void LayoutConstraint::deactivate(const QList<LayoutConstraint>& constraints)
{
    for (LayoutConstraint constraint : constraints)
        constraint.setActive(false);
}

} // namespace kesvor::ui
