#include "data/PredicateCompiler.h"

#include "data/DataError.h"
#include "data/PredicateNode.h"
#include "data/ValueKind.h"

#include <QtCore/QDateTime>
#include <QtCore/QHash>

#include <charconv>
#include <cmath>
#include <mutex>
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
    case Operator::In:
        return QStringLiteral(" IN (SELECT value FROM json_each(?))");
    }
    return {};
}

bool isNull(const QVariant& value)
{
    return valueKind(value) == ValueKind::Null;
}

bool isList(const QVariant& value)
{
    return valueKind(value) == ValueKind::List;
}

void appendJsonString(QString& out, QStringView text)
{
    out += u'"';
    qsizetype plain = 0; // where the characters not yet appended start
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'"' && c != u'\\' && c >= 0x20)
            continue;
        out += text.mid(plain, i - plain);
        if (c < 0x20) {
            out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        } else {
            out += u'\\';
            out += QChar(c);
        }
        plain = i + 1;
    }
    out += text.mid(plain);
    out += u'"';
}

void appendJsonInteger(QString& out, qlonglong value)
{
    char digits[24];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
    out += QLatin1StringView(digits, result.ptr - digits);
}

// The stored forms of a list's values as a JSON array, for json_each(); false
// when one of them has no stored form the array can hold.
bool appendJsonArray(QString& out, const QVariantList& values,
                     const AttributeDescription& attribute)
{
    out.reserve(out.size() + 2 + values.size() * 16);
    out += u'[';
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += u',';
        const QVariant& value = values[i];
        // Dates and text, the usual lists, go the short way.
        if (attribute.type == AttributeType::Date && value.typeId() == QMetaType::QDateTime) {
            const QDateTime& date = *static_cast<const QDateTime*>(value.constData());
            if (!date.isValid())
                return false;
            appendJsonInteger(out, date.toMSecsSinceEpoch());
            continue;
        }
        if (attribute.type == AttributeType::String && value.typeId() == QMetaType::QString) {
            appendJsonString(out, *static_cast<const QString*>(value.constData()));
            continue;
        }
        const auto normalized = attribute.normalized(value);
        if (!normalized || !normalized->isValid())
            return false;
        const QVariant stored = attribute.toStorage(*normalized);
        switch (valueKind(stored)) {
        case ValueKind::Integer:
            appendJsonInteger(out, stored.toLongLong());
            break;
        case ValueKind::Real:
            if (!std::isfinite(stored.toDouble()))
                return false;
            out += QString::number(stored.toDouble(), 'g', 17);
            break;
        case ValueKind::String:
            appendJsonString(out, *static_cast<const QString*>(stored.constData()));
            break;
        default:
            return false;
        }
    }
    out += u']';
    return true;
}

using Source = CompiledPredicate::Source;

class TemplateBuilder {
public:
    TemplateBuilder(const EntityDescription& entity, const QVariantList& arguments,
                    foundation::Error* error)
        : m_entity(entity)
        , m_arguments(arguments)
        , m_error(error)
    {
    }

    std::optional<CompiledPredicate> build(const NodePtr& root)
    {
        CompiledPredicate result;
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
        result.entityLayout = m_entity.layoutHash();
        result.reusable = !m_keyArguments;
        return result;
    }

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

    // An equality with a present value (or a value in a list) on the leading
    // attribute of an index, at the top of an AND chain: the database finds
    // its rows by that index.
    bool usesIndex(const Node& node)
    {
        if (node.kind == Node::Kind::And)
            return usesIndex(*node.children[0]) || usesIndex(*node.children[1]);
        if (node.kind != Node::Kind::Comparison ||
            (node.op != Operator::Equal && node.op != Operator::In))
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
        if (node.op == Operator::In && !isList(value)) {
            DataError::set(m_error, DataError::InvalidValue,
                           QStringLiteral("IN needs a list of values for \"%1\"").arg(key));
            return false;
        }
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
        m_sources.push_back({index, node.valueArgument,
                             node.valueArgument >= 0 ? QVariant() : node.value,
                             node.op == Operator::In});
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
    const EntityDescription* entity;
    quint64 absentArguments;

    friend bool operator==(const CacheKey&, const CacheKey&) = default;
};

size_t qHash(const CacheKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.root, key.entity, key.absentArguments);
}

} // namespace

bool CompiledPredicate::appendBindings(const QVariantList& arguments,
                                       const EntityDescription& entity, QVariantList& out,
                                       foundation::Error* error) const
{
    out.reserve(out.size() + qsizetype(sources.size()));
    for (const Source& source : sources) {
        const AttributeDescription& attribute = entity.attributes()[source.attribute];
        const QVariant& given = source.argument >= 0 ? arguments[source.argument] : source.literal;
        if (source.list) {
            QString json;
            if (!isList(given) || !appendJsonArray(json, given.toList(), attribute)) {
                DataError::set(
                    error, DataError::InvalidValue,
                    QStringLiteral("\"%1\" cannot be compared with every value of the list")
                        .arg(attribute.name));
                return false;
            }
            out << json;
            continue;
        }
        const auto value = attribute.normalized(given);
        if (!value || !value->isValid()) {
            DataError::set(error, DataError::InvalidValue,
                           QStringLiteral("a %1 cannot be compared with \"%2\"")
                               .arg(QString::fromLatin1(given.typeName()), attribute.name));
            return false;
        }
        out << attribute.toStorage(*value);
    }
    return true;
}

std::shared_ptr<const CompiledPredicate>
PredicateCompiler::compiled(const std::shared_ptr<const Predicate::Node>& root,
                            const QVariantList& arguments, const EntityDescription& entity,
                            foundation::Error* error)
{
    static std::mutex mutex;
    static QHash<CacheKey, std::shared_ptr<const CompiledPredicate>> cache;

    quint64 absent = 0;
    for (qsizetype i = 0; i < arguments.size() && i < 64; ++i)
        if (isNull(arguments[i]))
            absent |= quint64(1) << i;
    const CacheKey key{root.get(), &entity, absent};
    const bool cacheable = arguments.size() <= 64;
    if (cacheable) {
        const std::lock_guard lock(mutex);
        const auto cached = cache.constFind(key);
        // An entity made where a freed one was is another entity, unless it
        // has the same layout.
        if (cached != cache.cend() && (*cached)->entityLayout == entity.layoutHash())
            return *cached;
    }
    TemplateBuilder builder(entity, arguments, error);
    auto built = builder.build(root);
    if (!built)
        return nullptr;
    const std::lock_guard lock(mutex);
    built->reusable = built->reusable && cacheable && (cache.size() < 512 || cache.contains(key));
    auto shared = std::make_shared<const CompiledPredicate>(std::move(*built));
    if (shared->reusable)
        cache.insert(key, shared);
    return shared;
}

std::optional<Predicate::Sql>
PredicateCompiler::compile(const std::shared_ptr<const Predicate::Node>& root,
                           const QVariantList& arguments, const EntityDescription& entity,
                           foundation::Error* error)
{
    const auto predicate = compiled(root, arguments, entity, error);
    if (!predicate)
        return std::nullopt;
    Predicate::Sql sql{predicate->alternatives, {}, predicate->bindingCounts};
    if (!predicate->appendBindings(arguments, entity, sql.bindings, error))
        return std::nullopt;
    return sql;
}

} // namespace kesvor::data
