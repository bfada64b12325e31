#pragma once

#include "EntityDescription.h"
#include "Predicate.h"

#include "foundation/Error.h"

#include <memory>
#include <optional>

namespace kesvor::data {

/// Turns parsed predicates into parameterised SQL for one entity. The SQL
/// text of a predicate format is made once per entity and pattern of absent
/// arguments and kept; each call only converts the arguments to database
/// values. Thread-safe.
class PredicateCompiler {
public:
    static std::optional<Predicate::Sql> compile(const std::shared_ptr<const Predicate::Node>& root,
                                                 const QVariantList& arguments,
                                                 const EntityDescription& entity,
                                                 foundation::Error* error = nullptr);
};

} // namespace kesvor::data
