#include "PredicateCompiler.h"

#include "DataError.h"
#include "PredicateNode.h"
#include "ValueKind.h"

#include <QtCore/QHash>
#include <QtCore/QMutex>

#include <vector>

namespace kesvor::data {

namespace {

using Node = Predicate::Node;
using NodePtr = std::shared_ptr<const Node>;

QString sqlOperator(Operator op)
{
    switch (op) {
    case Operator::Equal:
        return QStringLiteral(" = ?");
    case Operator::NotEqual:
        return QStringLiteral(" <> ?");
    case Operator::Less:
        return QStringLiteral(" < ?");
    case Operator::LessOrEqual:
        return QStringLiteral(" <= ?");
    case Operator::Greater:
        return QStringLiteral(" > ?");
    case Operator::GreaterOrEqual:
        return QStringLiteral(" >= ?");
    }
    return {};
}

bool isNull(const QVariant& value)
{
    return valueKind(value) == ValueKind::Null;
}

// Where the value of one "?" comes from.
struct Source {
    int attribute = -1;
    int argument = -1; // or the literal
    QVariant literal;
};

// The SQL of one predicate format for one entity and pattern of absent arguments.
struct Template {
    QStringList alternatives;
    QList<int> bindingCounts;
    std::vector<Source> sources;
    NodePtr root; // keeps the node the cache key points to alive
};

class TemplateBuilder {
public:
    TemplateBuilder(const EntityDescription& entity, const QVariantList& arguments,
                    foundation::Error* error)
        : m_entity(entity)
        , m_arguments(arguments)
        , m_error(error)
    {
    }

    std::optional<Template> build(const NodePtr& root)
    {
        Template result;
        result.root = root;
        std::vector<const Node*> disjuncts;
        collectDisjuncts(*root, disjuncts);
        const bool split = disjuncts.size() > 1 &&
                           std::all_of(disjuncts.cbegin(), disjuncts.cend(),
                                       [this](const Node* node) { return usesIndex(*node); });
        if (!split)
            disjuncts = {root.get()};
        for (const Node* disjunct : disjuncts) {
            QString text;
            const size_t before = m_sources.size();
            if (!append(*disjunct, text))
                return std::nullopt;
            result.alternatives << text;
            result.bindingCounts << int(m_sources.size() - before);
        }
        result.sources = std::move(m_sources);
        return result;
    }

    bool usesKeyArguments() const { return m_keyArguments; }

private:
    static void collectDisjuncts(const Node& node, std::vector<const Node*>& out)
    {
        if (node.kind != Node::Kind::Or) {
            out.push_back(&node);
            return;
        }
        for (const auto& child : node.children)
            collectDisjuncts(*child, out);
    }

    QString keyOf(const Node& node)
    {
        if (node.keyArgument < 0)
            return node.key;
        m_keyArguments = true;
        return m_arguments[node.keyArgument].toString();
    }

    // An equality with a present value on the leading attribute of an index,
    // at the top of an AND chain: the database finds its rows by that index.
    bool usesIndex(const Node& node)
    {
        if (node.kind == Node::Kind::And)
            return usesIndex(*node.children[0]) || usesIndex(*node.children[1]);
        if (node.kind != Node::Kind::Comparison || node.op != Operator::Equal)
            return false;
        const QVariant value =
            node.valueArgument >= 0 ? m_arguments[node.valueArgument] : node.value;
        if (isNull(value))
            return false;
        const QString key = keyOf(node);
        return std::any_of(
            m_entity.indexes().cbegin(), m_entity.indexes().cend(),
            [&](const IndexDescription& index) { return index.properties.first() == key; });
    }

    bool append(const Node& node, QString& text)
    {
        switch (node.kind) {
        case Node::Kind::Constant:
            text += node.constant ? u'1' : u'0';
            return true;
        case Node::Kind::Not:
            text += QStringLiteral("NOT (");
            if (!append(*node.children[0], text))
                return false;
            text += u')';
            return true;
        case Node::Kind::And:
        case Node::Kind::Or:
            text += u'(';
            if (!append(*node.children[0], text))
                return false;
            text += node.kind == Node::Kind::And ? QStringLiteral(" AND ") : QStringLiteral(" OR ");
            if (!append(*node.children[1], text))
                return false;
            text += u')';
            return true;
        case Node::Kind::Comparison:
            return appendComparison(node, text);
        }
        return false;
    }

    bool appendComparison(const Node& node, QString& text)
    {
        const QString key = keyOf(node);
        const int index = m_entity.indexOfAttribute(key);
        if (index < 0) {
            DataError::set(
                m_error, DataError::UnknownAttribute,
                QStringLiteral("\"%1\" is not an attribute of %2").arg(key, m_entity.name()));
            return false;
        }
        if (!m_entity.attributes()[index].isSortable()) {
            DataError::set(m_error, DataError::InvalidPredicate,
                           QStringLiteral("\"%1\" cannot be compared").arg(key));
            return false;
        }
        const QVariant value =
            node.valueArgument >= 0 ? m_arguments[node.valueArgument] : node.value;
        const QString column = EntityDescription::quoted(key);
        if (isNull(value)) {
            if (node.op == Operator::Equal)
                text += column + QStringLiteral(" IS NULL");
            else if (node.op == Operator::NotEqual)
                text += column + QStringLiteral(" IS NOT NULL");
            else
                text += u'0';
            return true;
        }
        text += column + sqlOperator(node.op);
        m_sources.push_back(
            {index, node.valueArgument, node.valueArgument >= 0 ? QVariant() : node.value});
        return true;
    }

    const EntityDescription& m_entity;
    const QVariantList& m_arguments;
    foundation::Error* m_error;
    std::vector<Source> m_sources;
    bool m_keyArguments = false;
};

struct CacheKey {
    const Node* root;
    QByteArray entity;
    quint64 absentArguments;

    friend bool operator==(const CacheKey&, const CacheKey&) = default;
};

size_t qHash(const CacheKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.root, key.entity, key.absentArguments);
}

} // namespace

std::optional<Predicate::Sql>
PredicateCompiler::compile(const std::shared_ptr<const Predicate::Node>& root,
                           const QVariantList& arguments, const EntityDescription& entity,
                           foundation::Error* error)
{
    static QMutex mutex;
    static QHash<CacheKey, Template> cache;

    quint64 absent = 0;
    for (qsizetype i = 0; i < arguments.size() && i < 64; ++i)
        if (isNull(arguments[i]))
            absent |= quint64(1) << i;
    const CacheKey key{root.get(), entity.name().toUtf8() + entity.versionHash(), absent};
    std::optional<Template> found;
    {
        const QMutexLocker lock(&mutex);
        const auto cached = cache.constFind(key);
        if (cached != cache.cend())
            found = *cached;
    }
    if (!found) {
        TemplateBuilder builder(entity, arguments, error);
        found = builder.build(root);
        if (!found)
            return std::nullopt;
        const QMutexLocker lock(&mutex);
        if (!builder.usesKeyArguments() && arguments.size() <= 64 && cache.size() < 512)
            cache.insert(key, *found);
    }

    Predicate::Sql sql{found->alternatives, {}, found->bindingCounts};
    sql.bindings.reserve(qsizetype(found->sources.size()));
    for (const Source& source : found->sources) {
        const AttributeDescription& attribute = entity.attributes()[source.attribute];
        const QVariant given = source.argument >= 0 ? arguments[source.argument] : source.literal;
        const auto value = attribute.normalized(given);
        if (!value || !value->isValid()) {
            DataError::set(error, DataError::InvalidValue,
                           QStringLiteral("a %1 cannot be compared with \"%2\"")
                               .arg(QString::fromLatin1(given.typeName()), attribute.name));
            return std::nullopt;
        }
        sql.bindings << attribute.toStorage(*value);
    }
    return sql;
}

} // namespace kesvor::data
