#include "ui/LayoutEngine.h"

#include "foundation/DebugLog.h"
#include "ui/Geometry.h"
#include "ui/View.h"

#include <algorithm>
#include <cmath>

namespace kesvor::ui {

namespace {

using layout::Expression;
using layout::Strength::fromPriority;

// Wrapping text converges in two or three passes; more means two views keep
// trading width, and the last solution stands.
constexpr int maxWrappingPasses = 6;

// Frames set by hand: weaker than required constraints, stronger than any
// priority below 1000.
const double editStrength = layout::Strength::strong;

// Simplex arithmetic leaves traces like 44.50000000000001; values this close
// to a multiple of 1/1024 are taken as that multiple, so frames come out as
// exactly as the constraints state them.
double cleaned(double value)
{
    constexpr double grid = 1024;
    const double scaled = value * grid;
    const double rounded = std::round(scaled);
    if (std::abs(scaled - rounded) < 1e-6)
        return rounded / grid + 0.0;
    return value;
}

layout::Relation solverRelation(LayoutRelation relation)
{
    switch (relation) {
    case LayoutRelation::LessThanOrEqual:
        return layout::Relation::LessOrEqual;
    case LayoutRelation::GreaterThanOrEqual:
        return layout::Relation::GreaterOrEqual;
    case LayoutRelation::Equal:
        break;
    }
    return layout::Relation::Equal;
}

const View* commonAncestor(const View* a, const View* b)
{
    for (const View* candidate = a; candidate; candidate = candidate->superview())
        if (!b || b->isDescendantOf(candidate))
            return candidate;
    return nullptr;
}

// Whether an active, applied, required constraint pins this size to a
// constant, so that the view's intrinsic size cannot matter on that axis.
bool sizeFixedByConstant(const View& view, LayoutAttribute size)
{
    for (const LayoutConstraint& constraint : view.constraints())
        if (constraint.firstItem() == &view && constraint.firstAttribute() == size &&
            constraint.secondAttribute() == LayoutAttribute::NotAnAttribute &&
            constraint.relation() == LayoutRelation::Equal &&
            constraint.priority() >= LayoutPriority::required && !constraint.isDropped())
            return true;
    return false;
}

} // namespace

LayoutEngine::LayoutEngine(View& root)
    : m_root(root)
{
}

LayoutEngine::~LayoutEngine() = default;

void LayoutEngine::setNeedsRebuild()
{
    m_needsRebuild = true;
    m_dirty = true;
}

void LayoutEngine::addConstraint(const LayoutConstraint& constraint)
{
    m_dirty = true;
    if (m_needsRebuild)
        return;
    install(constraint);
    sizeConstraintChanged(constraint);
}

void LayoutEngine::removeConstraint(const LayoutConstraint& constraint)
{
    m_dirty = true;
    const auto installed = m_installed.constFind(constraint);
    if (installed == m_installed.cend())
        return;
    m_solver.removeConstraint(*installed);
    m_installed.erase(installed);
    sizeConstraintChanged(constraint);
}

void LayoutEngine::constraintChanged(const LayoutConstraint& constraint)
{
    m_dirty = true;
    if (m_needsRebuild)
        return;
    removeConstraint(constraint);
    install(constraint);
    sizeConstraintChanged(constraint);
}

void LayoutEngine::sizeConstraintChanged(const LayoutConstraint& constraint)
{
    if (constraint.secondAttribute() != LayoutAttribute::NotAnAttribute || !constraint.firstItem())
        return;
    const auto item = m_items.find(constraint.firstItem());
    if (item != m_items.end())
        item->second->intrinsicDirty = true;
}

void LayoutEngine::frameSetByHand(const View& view)
{
    if (m_items.count(&view))
        m_dirty = true;
}

void LayoutEngine::intrinsicSizeInvalidated(const View& view)
{
    const auto item = m_items.find(&view);
    if (item == m_items.end())
        return;
    item->second->intrinsicDirty = true;
    m_dirty = true;
}

void LayoutEngine::update()
{
    if (m_needsRebuild)
        rebuild();
    suggestFrames();
    // Intrinsic sizes go in after the explicit constraints: the solver then
    // adds them to a layout that is already mostly determined, which is far
    // cheaper than the other way round.
    for (auto& [view, item] : m_items)
        if (item->intrinsicDirty)
            refreshIntrinsicSize(*item, false);
    m_solver.updateVariables();
    for (int pass = 0; pass < maxWrappingPasses && refreshWrappingWidths(); ++pass)
        m_solver.updateVariables();
    m_dirty = false;
    applyFrames();
}

LayoutEngine::Item* LayoutEngine::ensureItem(View& view)
{
    if (const auto found = m_items.find(&view); found != m_items.end())
        return found->second.get();
    if (view.rootView() != &m_root)
        return nullptr;
    auto item = std::make_unique<Item>();
    item->view = &view;
    item->isRoot = &view == &m_root;
    item->fixed = view.translatesAutoresizingMaskIntoConstraints();
    Item* raw = item.get();
    m_items.emplace(&view, std::move(item));
    addStructure(*raw);
    return raw;
}

void LayoutEngine::addStructure(Item& item)
{
    if (item.fixed) {
        m_solver.addEditVariable(item.width, editStrength);
        m_solver.addEditVariable(item.height, editStrength);
        return;
    }
    if (item.isRoot) {
        // Placed by constraints with nothing around it: as small as its
        // constraints allow, the way a view is measured.
        const double fitting = fromPriority(LayoutPriority::fittingSizeLevel);
        m_solver.addConstraint((Expression(item.width) == 0.0) | fitting);
        m_solver.addConstraint((Expression(item.height) == 0.0) | fitting);
    }
}

void LayoutEngine::editPosition(Item& item)
{
    // The root's own origin is where its coordinates start.
    if (!item.fixed || item.isRoot || item.positionEdited || !item.view)
        return;
    item.positionEdited = true;
    m_solver.addEditVariable(item.left, editStrength);
    m_solver.addEditVariable(item.top, editStrength);
    m_solver.suggestValue(item.left, item.view->frame().x());
    m_solver.suggestValue(item.top, item.view->frame().y());
}

bool LayoutEngine::refreshIntrinsicSize(Item& item, bool force)
{
    item.intrinsicDirty = false;
    View* view = item.view;
    if (!view || item.fixed)
        return false;
    QSizeF size = view->intrinsicContentSize();
    if (sizeFixedByConstant(*view, LayoutAttribute::Width))
        size.setWidth(View::noIntrinsicMetric);
    if (sizeFixedByConstant(*view, LayoutAttribute::Height))
        size.setHeight(View::noIntrinsicMetric);
    const float priorities[4] = {view->contentHuggingPriority(LayoutAxis::Horizontal),
                                 view->contentCompressionResistancePriority(LayoutAxis::Horizontal),
                                 view->contentHuggingPriority(LayoutAxis::Vertical),
                                 view->contentCompressionResistancePriority(LayoutAxis::Vertical)};
    if (!force && size.width() == item.intrinsicSize.width() &&
        size.height() == item.intrinsicSize.height() &&
        std::equal(std::begin(priorities), std::end(priorities),
                   std::begin(item.intrinsicPriorities)))
        return false;
    for (const layout::Constraint& constraint : item.intrinsicConstraints)
        m_solver.removeConstraint(constraint);
    item.intrinsicConstraints.clear();
    item.intrinsicSize = size;
    std::copy(std::begin(priorities), std::end(priorities), std::begin(item.intrinsicPriorities));

    const auto addAxis = [&](const layout::Variable& variable, double value, float hugging,
                             float resistance) {
        if (value < 0)
            return;
        for (const layout::Constraint& constraint :
             {(Expression(variable) <= value) | fromPriority(hugging),
              (Expression(variable) >= value) | fromPriority(resistance)}) {
            if (m_solver.addConstraint(constraint) == layout::AddResult::Added)
                item.intrinsicConstraints.push_back(constraint);
            else
                KESVOR_DEBUG_LOG << "Unable to satisfy the required intrinsic size of"
                                 << view->metaObject()->className() << "- dropping"
                                 << constraint.description();
        }
    };
    addAxis(item.width, size.width(), priorities[0], priorities[1]);
    addAxis(item.height, size.height(), priorities[2], priorities[3]);
    return true;
}

std::optional<layout::Expression>
LayoutEngine::attributeExpression(View& view, LayoutAttribute attribute, const View* reference)
{
    // The view's edge as seen from reference: the offsets of every view on
    // the way up, then the attribute itself.
    const bool horizontal = axisOf(attribute) == LayoutAxis::Horizontal;
    Expression origin;
    for (View* step = &view; step != reference; step = step->superview()) {
        Item* item = step ? ensureItem(*step) : nullptr;
        if (!item)
            return std::nullopt;
        if (item->isRoot)
            continue;
        editPosition(*item);
        origin += horizontal ? Expression(item->left) : Expression(item->top);
    }
    Item* item = ensureItem(view);
    if (!item)
        return std::nullopt;
    const layout::Variable& extent = horizontal ? item->width : item->height;
    switch (attribute) {
    case LayoutAttribute::Left:
    case LayoutAttribute::Leading:
    case LayoutAttribute::Top:
        return origin;
    case LayoutAttribute::Right:
    case LayoutAttribute::Trailing:
    case LayoutAttribute::Bottom:
        return origin + extent;
    case LayoutAttribute::CenterX:
    case LayoutAttribute::CenterY:
        return origin + extent * 0.5;
    case LayoutAttribute::Width:
    case LayoutAttribute::Height:
        return Expression(extent);
    case LayoutAttribute::NotAnAttribute:
        break;
    }
    return std::nullopt;
}

layout::Constraint LayoutEngine::solverConstraint(const LayoutConstraint& constraint)
{
    View* first = constraint.firstItem();
    View* second = constraint.secondItem();
    const bool hasSecond = constraint.secondAttribute() != LayoutAttribute::NotAnAttribute;
    if (!first || (hasSecond && !second))
        return {};
    const View* reference = commonAncestor(first, hasSecond ? second : nullptr);
    const auto lhs = attributeExpression(*first, constraint.firstAttribute(), reference);
    if (!lhs)
        return {};
    Expression rhs(constraint.constant());
    if (hasSecond) {
        const auto other = attributeExpression(*second, constraint.secondAttribute(), reference);
        if (!other)
            return {};
        rhs = *other * constraint.multiplier() + constraint.constant();
    }
    return layout::Constraint(*lhs, solverRelation(constraint.relation()), rhs,
                              fromPriority(constraint.priority()));
}

void LayoutEngine::install(const LayoutConstraint& constraint)
{
    const layout::Constraint converted = solverConstraint(constraint);
    if (!converted.isNull() && m_solver.addConstraint(converted) == layout::AddResult::Added) {
        m_installed.insert(constraint, converted);
        constraint.setDropped(false);
        return;
    }
    if (constraint.wasDropped())
        return;
    constraint.setDropped(true);
    KESVOR_DEBUG_LOG << "Unable to simultaneously satisfy constraints; dropping"
                     << constraint.description();
}

void LayoutEngine::rebuild()
{
    m_solver.reset();
    m_items.clear();
    m_installed.clear();
    m_needsRebuild = false;

    QList<LayoutConstraint> constraints;
    QList<View*> views = m_root.findChildren<View*>();
    views.prepend(&m_root);
    for (View* view : views)
        for (const LayoutConstraint& constraint : view->m_constraints)
            if (constraint.firstItem() == view)
                constraints.append(constraint);
    // In order of activation, so that a conflict drops the same constraint
    // it dropped when it first arose.
    std::sort(constraints.begin(), constraints.end(),
              [](const LayoutConstraint& a, const LayoutConstraint& b) {
                  return a.sequence() < b.sequence();
              });
    ensureItem(m_root);
    for (const LayoutConstraint& constraint : constraints)
        install(constraint);
}

void LayoutEngine::suggestFrames()
{
    for (auto& [key, item] : m_items) {
        if (!item->fixed || !item->view)
            continue;
        const QRectF frame = item->view->frame();
        if (item->suggested && exactlyEqual(*item->suggested, frame))
            continue;
        item->suggested = frame;
        if (item->positionEdited) {
            m_solver.suggestValue(item->left, frame.x());
            m_solver.suggestValue(item->top, frame.y());
        }
        m_solver.suggestValue(item->width, frame.width());
        m_solver.suggestValue(item->height, frame.height());
    }
}

bool LayoutEngine::refreshWrappingWidths()
{
    bool changed = false;
    for (auto& [key, item] : m_items) {
        View* view = item->view;
        if (item->fixed || !view || !view->hasWidthDependentIntrinsicSize())
            continue;
        const double solved = cleaned(item->width.value());
        if (view->m_intrinsicLayoutWidth == solved)
            continue;
        view->setIntrinsicLayoutWidth(solved);
        changed = refreshIntrinsicSize(*item, false) || changed;
    }
    return changed;
}

void LayoutEngine::applyFrames()
{
    // Frames are collected first: views react to new frames (signals,
    // layout requests) and may change the engine while they do.
    std::vector<std::pair<QPointer<View>, QRectF>> frames;
    frames.reserve(m_items.size());
    for (const auto& [key, item] : m_items) {
        if (item->fixed || !item->view)
            continue;
        const QPointF origin =
            item->isRoot ? item->view->frame().topLeft()
                         : QPointF(cleaned(item->left.value()), cleaned(item->top.value()));
        frames.emplace_back(item->view, QRectF(origin, QSizeF(cleaned(item->width.value()),
                                                              cleaned(item->height.value()))));
    }
    for (const auto& [view, frame] : frames)
        if (view && !exactlyEqual(view->frame(), frame))
            view->setFrameInternal(frame);
}

} // namespace kesvor::ui
