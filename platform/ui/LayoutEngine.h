#pragma once

#include "ui/LayoutConstraint.h"
#include "ui/layout/Solver.h"

#include <QtCore/QHash>
#include <QtCore/QPointer>
#include <QtCore/QRectF>

#include <memory>
#include <unordered_map>
#include <vector>

namespace kesvor::ui {

class View;

/// The constraint engine of one view tree, owned by the tree's root view.
///
/// Every view that a constraint mentions, and each view between it and the
/// nearest ancestor it shares with the constraint's other view, gets four
/// variables: its left and top edge in its superview's content coordinates,
/// its width and its height. An edge of one view seen from an ancestor is the
/// sum of the offsets on the way, so constraints between siblings, or
/// between a view and its superview, stay as small as they look. Unmentioned
/// offsets and sizes are 0.
///
/// Views whose frame is set by hand are held by edit variables, which
/// outrank every non-required priority; the root, when it is itself placed
/// by constraints, shrinks to the smallest size its constraints allow. Views
/// placed by constraints bring their intrinsic size as hugging and
/// compression-resistance constraints (not on an axis that a required size
/// constant already fixes), added after the explicit constraints; views whose
/// height follows their width (wrapping labels) are measured again at their
/// solved width until the layout settles.
///
/// Changes are incremental (constraints added, removed or changed, frames
/// set by hand, intrinsic sizes); hierarchy changes rebuild the solver on the
/// next update.
class LayoutEngine {
public:
    explicit LayoutEngine(View& root);
    ~LayoutEngine();
    LayoutEngine(const LayoutEngine&) = delete;
    LayoutEngine& operator=(const LayoutEngine&) = delete;

    void addConstraint(const LayoutConstraint& constraint);
    void removeConstraint(const LayoutConstraint& constraint);
    /// The constant or priority changed.
    void constraintChanged(const LayoutConstraint& constraint);
    void frameSetByHand(const View& view);
    void intrinsicSizeInvalidated(const View& view);
    /// Views joined or left the tree, or changed how their frame is set.
    void setNeedsRebuild();

    bool needsUpdate() const { return m_dirty; }
    /// Solves and writes the frames of the views placed by constraints.
    void update();

    /// Constraints of the tree's views currently held by the solver.
    std::size_t installedCount() const { return static_cast<std::size_t>(m_installed.size()); }

private:
    struct Item {
        QPointer<View> view;
        bool isRoot = false;
        layout::Variable left;
        layout::Variable top;
        layout::Variable width;
        layout::Variable height;
        bool fixed = false;
        // A fixed view's position is edited only once a constraint looks at it.
        bool positionEdited = false;
        std::optional<QRectF> suggested;
        std::vector<layout::Constraint> intrinsicConstraints;
        // What the intrinsic constraints were made from.
        QSizeF intrinsicSize{-1, -1};
        float intrinsicPriorities[4] = {};
        bool intrinsicDirty = true;
    };

    Item* ensureItem(View& view);
    void addStructure(Item& item);
    void editPosition(Item& item);
    bool refreshIntrinsicSize(Item& item, bool force);
    void install(const LayoutConstraint& constraint);
    layout::Constraint solverConstraint(const LayoutConstraint& constraint);
    std::optional<layout::Expression> attributeExpression(View& view, LayoutAttribute attribute,
                                                          const View* reference);
    void sizeConstraintChanged(const LayoutConstraint& constraint);
    void rebuild();
    void suggestFrames();
    bool refreshWrappingWidths();
    void applyFrames();

    View& m_root;
    layout::Solver m_solver;
    std::unordered_map<const View*, std::unique_ptr<Item>> m_items;
    QHash<LayoutConstraint, layout::Constraint> m_installed;
    bool m_dirty = true;
    bool m_needsRebuild = true;
};

} // namespace kesvor::ui
