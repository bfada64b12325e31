#include "LayoutEngine.h"

#include "View.h"
#include "foundation/DebugLog.h"

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
// Where nothing else decides, a view sits at its superview's origin with a
// zero size; weaker than every priority.
const double defaultStrength = layout::Strength::weak;

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

bool sameRect(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
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
    if (!m_needsRebuild)
        install(constraint);
}

void LayoutEngine::removeConstraint(const LayoutConstraint& constraint)
{
    m_dirty = true;
    const auto installed = m_installed.constFind(constraint);
    if (installed == m_installed.cend())
        return;
    m_solver.removeConstraint(*installed);
    m_installed.erase(installed);
}

void LayoutEngine::constraintChanged(const LayoutConstraint& constraint)
{
    m_dirty = true;
    if (m_needsRebuild)
        return;
    removeConstraint(constraint);
    install(constraint);
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
    Item* parent = nullptr;
    if (View* superview = view.superview()) {
        parent = ensureItem(*superview);
        if (!parent)
            return nullptr;
    } else if (&view != &m_root) {
        return nullptr;
    }
    auto item = std::make_unique<Item>();
    item->view = &view;
    item->parent = parent;
    item->fixed = view.translatesAutoresizingMaskIntoConstraints();
    Item* raw = item.get();
    m_items.emplace(&view, std::move(item));
    addStructure(*raw);
    if (!raw->fixed)
        refreshIntrinsicSize(*raw, true);
    return raw;
}

void LayoutEngine::addStructure(Item& item)
{
    if (!item.parent) {
        addRequired(Expression(item.left) == 0.0);
        addRequired(Expression(item.top) == 0.0);
        if (item.fixed) {
            m_solver.addEditVariable(item.width, editStrength);
            m_solver.addEditVariable(item.height, editStrength);
        } else {
            // Placed by constraints with nothing around it: as small as its
            // constraints allow, the way a view is measured.
            const double fitting = fromPriority(LayoutPriority::fittingSizeLevel);
            m_solver.addConstraint((Expression(item.width) == 0.0) | fitting);
            m_solver.addConstraint((Expression(item.height) == 0.0) | fitting);
        }
        return;
    }
    if (item.fixed) {
        addRequired(item.left == item.parent->left + item.offsetX);
        addRequired(item.top == item.parent->top + item.offsetY);
        for (const layout::Variable& variable :
             {item.offsetX, item.offsetY, item.width, item.height})
            m_solver.addEditVariable(variable, editStrength);
        return;
    }
    m_solver.addConstraint((Expression(item.left) == item.parent->left) | defaultStrength);
    m_solver.addConstraint((Expression(item.top) == item.parent->top) | defaultStrength);
    m_solver.addConstraint((Expression(item.width) == 0.0) | defaultStrength);
    m_solver.addConstraint((Expression(item.height) == 0.0) | defaultStrength);
}

bool LayoutEngine::addRequired(const layout::Constraint& constraint)
{
    return m_solver.addConstraint(constraint) == layout::AddResult::Added;
}

bool LayoutEngine::refreshIntrinsicSize(Item& item, bool force)
{
    item.intrinsicDirty = false;
    View* view = item.view;
    if (!view || item.fixed)
        return false;
    const QSizeF size = view->intrinsicContentSize();
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

layout::Expression LayoutEngine::attributeExpression(const Item& item,
                                                     LayoutAttribute attribute) const
{
    switch (attribute) {
    case LayoutAttribute::Left:
    case LayoutAttribute::Leading:
        return item.left;
    case LayoutAttribute::Right:
    case LayoutAttribute::Trailing:
        return item.left + item.width;
    case LayoutAttribute::Top:
        return item.top;
    case LayoutAttribute::Bottom:
        return item.top + item.height;
    case LayoutAttribute::Width:
        return item.width;
    case LayoutAttribute::Height:
        return item.height;
    case LayoutAttribute::CenterX:
        return item.left + item.width * 0.5;
    case LayoutAttribute::CenterY:
        return item.top + item.height * 0.5;
    case LayoutAttribute::NotAnAttribute:
        break;
    }
    return Expression();
}

layout::Constraint LayoutEngine::solverConstraint(const LayoutConstraint& constraint)
{
    Item* first = constraint.firstItem() ? ensureItem(*constraint.firstItem()) : nullptr;
    if (!first)
        return {};
    Expression rhs(constraint.constant());
    if (constraint.secondAttribute() != LayoutAttribute::NotAnAttribute) {
        Item* second = constraint.secondItem() ? ensureItem(*constraint.secondItem()) : nullptr;
        if (!second)
            return {};
        rhs = attributeExpression(*second, constraint.secondAttribute()) * constraint.multiplier() +
              constraint.constant();
    }
    return layout::Constraint(attributeExpression(*first, constraint.firstAttribute()),
                              solverRelation(constraint.relation()), rhs,
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
        if (item->suggested && sameRect(*item->suggested, frame))
            continue;
        item->suggested = frame;
        if (item->parent) {
            m_solver.suggestValue(item->offsetX, frame.x());
            m_solver.suggestValue(item->offsetY, frame.y());
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
        const QSizeF size(cleaned(item->width.value()), cleaned(item->height.value()));
        QPointF origin = item->view->frame().topLeft();
        if (item->parent)
            origin = QPointF(cleaned(item->left.value() - item->parent->left.value()),
                             cleaned(item->top.value() - item->parent->top.value()));
        frames.emplace_back(item->view, QRectF(origin, size));
    }
    for (const auto& [view, frame] : frames)
        if (view && !sameRect(view->frame(), frame))
            view->setFrameInternal(frame);
}

} // namespace kesvor::ui
