#pragma once

#include "data/EntityDescription.h"

#include "foundation/Error.h"

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <memory>
#include <optional>

namespace kesvor::data {

struct CompiledPredicate;

/// A condition on the attributes of an entity, written as a format string
/// whose "%@" placeholders take the arguments in order ("%K" takes an
/// attribute name):
///
///     (createdOn == %@ AND msgFrom == %@) OR (messageId == %@)
///
/// Grammar: comparisons "key op value" (or "value op key") with the operators
/// ==, =, !=, <>, <, <=, =<, >, >=, =>; "key IN %@" with a list of values;
/// AND/&&, OR/||, NOT/!, parentheses, TRUEPREDICATE and FALSEPREDICATE. Values
/// are placeholders, quoted strings, numbers, nil/NULL, TRUE/YES and FALSE/NO.
/// Comparing with nil tests for no value. Predicates run in the database as
/// parameterised SQL: the values never become part of the statement text.
class Predicate {
public:
    /// Nothing (and an error) when the format does not parse or the
    /// placeholders and arguments do not match up.
    static std::optional<Predicate> withFormat(const QString& format,
                                               const QVariantList& arguments = {},
                                               foundation::Error* error = nullptr);
    static Predicate withValue(bool value);

    QString predicateFormat() const { return m_format; }
    const QVariantList& arguments() const { return m_arguments; }

    /// The condition as SQL, in one or more alternatives: several when it is
    /// an OR of lookups the database answers faster one at a time (the rows
    /// of the alternatives together are the rows of the predicate).
    struct Sql {
        QStringList alternatives;
        /// Database values, one per "?" of the alternatives, in order.
        QVariantList bindings;
        /// How many of the bindings belong to each alternative.
        QList<int> bindingCounts;

        /// All alternatives as one condition.
        QString whereClause() const;
    };
    /// The condition for entity's table. Fails for unknown attributes, values
    /// of the wrong type and comparisons of unordered attribute kinds.
    std::optional<Sql> toSql(const EntityDescription& entity,
                             foundation::Error* error = nullptr) const;
    /// The SQL of toSql() without its values, shared by the predicates of the
    /// same format whose arguments are absent in the same places.
    std::shared_ptr<const CompiledPredicate> compiled(const EntityDescription& entity,
                                                      foundation::Error* error = nullptr) const;

    struct Node;

private:
    Predicate(std::shared_ptr<const Node> root, QString format, QVariantList arguments = {});

    std::shared_ptr<const Node> m_root;
    QString m_format;
    QVariantList m_arguments;
};

} // namespace kesvor::data
