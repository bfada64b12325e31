#pragma once

#include "ui/layout/Relation.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <optional>

namespace kesvor::ui::layout {

/// One predicate of a view's size or of a spacing: a relation to a constant
/// or to another view's size on the same axis, with an optional priority.
struct VfPredicate {
    Relation relation = Relation::Equal;
    std::optional<double> constant; // set, or
    QString viewName;               // another view ("v1")
    std::optional<float> priority;  // "@750"

    friend bool operator==(const VfPredicate&, const VfPredicate&) = default;
};

/// The space between two neighbours in a format string.
struct VfConnection {
    bool standard = false;         // "-" alone: standard spacing
    QList<VfPredicate> predicates; // empty and not standard: flush (0)

    friend bool operator==(const VfConnection&, const VfConnection&) = default;
};

struct VfView {
    QString name;
    QList<VfPredicate> sizePredicates;

    friend bool operator==(const VfView&, const VfView&) = default;
};

/// A parsed visual format string such as "H:|-10-[v0]-10-[v1(==58.5)]-4-|":
/// an orientation, optional superview edges and a chain of views with the
/// connections between them. connections[i] joins views[i] and views[i + 1].
struct VisualFormat {
    enum class Orientation { Horizontal, Vertical };

    Orientation orientation = Orientation::Horizontal;
    bool leadingSuperview = false;
    VfConnection leadingConnection;
    QList<VfView> views;
    QList<VfConnection> connections;
    bool trailingSuperview = false;
    VfConnection trailingConnection;

    /// Parses format; on failure returns nothing and, when error is given,
    /// describes what was expected where.
    static std::optional<VisualFormat> parse(const QString& format, QString* error = nullptr);

    friend bool operator==(const VisualFormat&, const VisualFormat&) = default;
};

} // namespace kesvor::ui::layout
