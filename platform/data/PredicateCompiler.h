#pragma once

#include "data/EntityDescription.h"
#include "data/Predicate.h"

#include "foundation/Error.h"

#include <QtCore/QByteArray>

#include <memory>
#include <optional>
#include <vector>

namespace kesvor::data {

/// The SQL of one predicate format for one entity and pattern of absent
/// arguments, without the values of its parameters. Shared by every predicate
/// it fits, and never changed once made.
struct CompiledPredicate {
    /// Where the value of one "?" comes from: an argument, or a literal of the
    /// format; a list is bound as a JSON array of its values.
    struct Source {
        int attribute = -1;
        int argument = -1;
        QVariant literal;
        bool list = false;
    };

    QStringList alternatives;
    QList<int> bindingCounts;
    std::vector<Source> sources;
    /// The entity it was made for, by EntityDescription::layoutHash().
    QByteArray entityLayout;
    /// False when it was made for these arguments only (an argument names the
    /// key): it then fits no other predicate.
    bool reusable = true;
    std::shared_ptr<const Predicate::Node> root; // keeps the node the cache key points to alive

    /// The database values of the "?"s, in order, appended to out. Fails for
    /// an argument of the wrong type.
    bool appendBindings(const QVariantList& arguments, const EntityDescription& entity,
                        QVariantList& out, foundation::Error* error = nullptr) const;
};

/// Turns parsed predicates into parameterised SQL for one entity. The SQL
/// text of a predicate format is made once per entity and pattern of absent
/// arguments and kept; each call only converts the arguments to database
/// values. Thread-safe.
class PredicateCompiler {
public:
    static std::shared_ptr<const CompiledPredicate>
    compiled(const std::shared_ptr<const Predicate::Node>& root, const QVariantList& arguments,
             const EntityDescription& entity, foundation::Error* error = nullptr);

    static std::optional<Predicate::Sql> compile(const std::shared_ptr<const Predicate::Node>& root,
                                                 const QVariantList& arguments,
                                                 const EntityDescription& entity,
                                                 foundation::Error* error = nullptr);
};

} // namespace kesvor::data
