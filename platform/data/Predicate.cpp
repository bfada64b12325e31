#include "data/Predicate.h"

#include "data/DataError.h"
#include "data/PredicateCompiler.h"
#include "data/PredicateNode.h"

#include <QtCore/QHash>

#include <mutex>
#include <vector>

namespace kesvor::data {

namespace {

struct Token {
    enum class Kind { End, Identifier, Placeholder, KeyPlaceholder, String, Number, Symbol };
    Kind kind = Kind::End;
    QString text;
    QVariant value;
};

bool isIdentifierStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isIdentifierPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.';
}

// Splits a format into tokens; nothing when it holds a character that
// belongs to no token.
std::optional<std::vector<Token>> tokenize(const QString& format, QString* problem)
{
    std::vector<Token> tokens;
    static const QStringList symbols{
        QStringLiteral("=="), QStringLiteral("!="), QStringLiteral("<>"), QStringLiteral("<="),
        QStringLiteral("=<"), QStringLiteral(">="), QStringLiteral("=>"), QStringLiteral("&&"),
        QStringLiteral("||"), QStringLiteral("="),  QStringLiteral("<"),  QStringLiteral(">"),
        QStringLiteral("!"),  QStringLiteral("("),  QStringLiteral(")")};
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'%' && i + 1 < format.size() &&
                   (format[i + 1] == u'@' || format[i + 1] == u'K')) {
            tokens.push_back(
                {format[i + 1] == u'@' ? Token::Kind::Placeholder : Token::Kind::KeyPlaceholder,
                 format.mid(i, 2),
                 {}});
            i += 2;
        } else if (c == u'"' || c == u'\'') {
            QString text;
            qsizetype j = i + 1;
            for (; j < format.size() && format[j] != c; ++j) {
                if (format[j] == u'\\' && j + 1 < format.size())
                    ++j;
                text += format[j];
            }
            if (j >= format.size()) {
                *problem = QStringLiteral("unterminated string");
                return std::nullopt;
            }
            tokens.push_back({Token::Kind::String, text, text});
            i = j + 1;
        } else if (c.isDigit() || (c == u'-' && i + 1 < format.size() && format[i + 1].isDigit())) {
            qsizetype j = i + 1;
            while (j < format.size() && (format[j].isDigit() || format[j] == u'.'))
                ++j;
            const QString text = format.mid(i, j - i);
            bool ok = false;
            QVariant value =
                text.contains(u'.') ? QVariant(text.toDouble(&ok)) : QVariant(text.toLongLong(&ok));
            if (!ok) {
                *problem = QStringLiteral("bad number ") + text;
                return std::nullopt;
            }
            tokens.push_back({Token::Kind::Number, text, value});
            i = j;
        } else if (isIdentifierStart(c)) {
            qsizetype j = i + 1;
            while (j < format.size() && isIdentifierPart(format[j]))
                ++j;
            tokens.push_back({Token::Kind::Identifier, format.mid(i, j - i), {}});
            i = j;
        } else {
            const auto symbol =
                std::find_if(symbols.cbegin(), symbols.cend(), [&](const QString& s) {
                    return QStringView(format).mid(i).startsWith(s);
                });
            if (symbol == symbols.cend()) {
                *problem = QStringLiteral("unexpected \"%1\"").arg(c);
                return std::nullopt;
            }
            tokens.push_back({Token::Kind::Symbol, *symbol, {}});
            i += symbol->size();
        }
    }
    tokens.push_back({});
    return tokens;
}

} // namespace

namespace {

using NodePtr = std::shared_ptr<const Predicate::Node>;
using Node = Predicate::Node;

class Parser {
public:
    explicit Parser(std::vector<Token> tokens)
        : m_tokens(std::move(tokens))
    {
    }

    NodePtr parse(QString* problem)
    {
        NodePtr root = parseOr();
        if (root && peek().kind != Token::Kind::End)
            fail(QStringLiteral("unexpected \"%1\"").arg(peek().text));
        *problem = m_problem;
        return m_problem.isEmpty() ? root : nullptr;
    }

    int placeholderCount() const { return m_placeholders; }

private:
    const Token& peek() const { return m_tokens[m_position]; }
    const Token& take() { return m_tokens[std::min(m_position++, m_tokens.size() - 1)]; }

    bool accept(std::initializer_list<const char*> spellings)
    {
        const Token& token = peek();
        if (token.kind != Token::Kind::Symbol && token.kind != Token::Kind::Identifier)
            return false;
        for (const char* spelling : spellings) {
            if (token.text.compare(QLatin1String(spelling), Qt::CaseInsensitive) == 0) {
                ++m_position;
                return true;
            }
        }
        return false;
    }

    NodePtr fail(const QString& problem)
    {
        if (m_problem.isEmpty())
            m_problem = problem;
        return nullptr;
    }

    NodePtr combine(Node::Kind kind, NodePtr (Parser::*next)(),
                    std::initializer_list<const char*> spellings)
    {
        NodePtr left = (this->*next)();
        while (left && accept(spellings)) {
            NodePtr right = (this->*next)();
            if (!right)
                return nullptr;
            auto node = std::make_shared<Node>();
            node->kind = kind;
            node->children = {left, right};
            left = node;
        }
        return left;
    }

    NodePtr parseOr() { return combine(Node::Kind::Or, &Parser::parseAnd, {"OR", "||"}); }
    NodePtr parseAnd() { return combine(Node::Kind::And, &Parser::parseNot, {"AND", "&&"}); }

    NodePtr parseNot()
    {
        if (accept({"NOT", "!"})) {
            NodePtr inner = parseNot();
            if (!inner)
                return nullptr;
            auto node = std::make_shared<Node>();
            node->kind = Node::Kind::Not;
            node->children = {inner};
            return node;
        }
        return parsePrimary();
    }

    NodePtr parsePrimary()
    {
        if (accept({"("})) {
            NodePtr inner = parseOr();
            if (inner && !accept({")"}))
                return fail(QStringLiteral("missing \")\""));
            return inner;
        }
        for (const bool constant : {true, false}) {
            if (accept({constant ? "TRUEPREDICATE" : "FALSEPREDICATE"})) {
                auto node = std::make_shared<Node>();
                node->constant = constant;
                return node;
            }
        }
        return parseComparison();
    }

    struct Operand {
        bool isKey = false;
        QString key;
        QVariant value;
        int argument = -1;
    };

    std::optional<Operand> parseOperand()
    {
        const Token token = take();
        switch (token.kind) {
        case Token::Kind::Placeholder:
        case Token::Kind::KeyPlaceholder:
            return Operand{token.kind == Token::Kind::KeyPlaceholder, {}, {}, m_placeholders++};
        case Token::Kind::String:
        case Token::Kind::Number:
            return Operand{false, {}, token.value};
        case Token::Kind::Identifier: {
            const QString upper = token.text.toUpper();
            if (upper == QLatin1String("NIL") || upper == QLatin1String("NULL"))
                return Operand{false, {}, QVariant()};
            if (upper == QLatin1String("TRUE") || upper == QLatin1String("YES"))
                return Operand{false, {}, true};
            if (upper == QLatin1String("FALSE") || upper == QLatin1String("NO"))
                return Operand{false, {}, false};
            return Operand{true, token.text, {}};
        }
        default:
            fail(token.kind == Token::Kind::End
                     ? QStringLiteral("unexpected end")
                     : QStringLiteral("unexpected \"%1\"").arg(token.text));
            return std::nullopt;
        }
    }

    std::optional<Operator> parseOperator()
    {
        static const std::pair<const char*, Operator> table[] = {{"==", Operator::Equal},
                                                                 {"=", Operator::Equal},
                                                                 {"!=", Operator::NotEqual},
                                                                 {"<>", Operator::NotEqual},
                                                                 {"<=", Operator::LessOrEqual},
                                                                 {"=<", Operator::LessOrEqual},
                                                                 {">=", Operator::GreaterOrEqual},
                                                                 {"=>", Operator::GreaterOrEqual},
                                                                 {"<", Operator::Less},
                                                                 {">", Operator::Greater},
                                                                 {"IN", Operator::In}};
        for (const auto& [spelling, op] : table)
            if (accept({spelling}))
                return op;
        fail(QStringLiteral("expected a comparison operator"));
        return std::nullopt;
    }

    static Operator mirrored(Operator op)
    {
        switch (op) {
        case Operator::Less:
            return Operator::Greater;
        case Operator::LessOrEqual:
            return Operator::GreaterOrEqual;
        case Operator::Greater:
            return Operator::Less;
        case Operator::GreaterOrEqual:
            return Operator::LessOrEqual;
        default:
            return op;
        }
    }

    NodePtr parseComparison()
    {
        const auto left = parseOperand();
        const auto op = left ? parseOperator() : std::nullopt;
        const auto right = op ? parseOperand() : std::nullopt;
        if (!right)
            return nullptr;
        if (left->isKey == right->isKey)
            return fail(QStringLiteral("a comparison needs one attribute and one value"));
        if (*op == Operator::In && !left->isKey)
            return fail(QStringLiteral("IN needs the attribute on its left"));
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::Comparison;
        const Operand& key = left->isKey ? *left : *right;
        const Operand& value = left->isKey ? *right : *left;
        node->key = key.key;
        node->keyArgument = key.argument;
        node->value = value.value;
        node->valueArgument = value.argument;
        node->op = left->isKey ? *op : mirrored(*op);
        return node;
    }

    std::vector<Token> m_tokens;
    size_t m_position = 0;
    int m_placeholders = 0;
    QString m_problem;
};

// Parsed formats, shared by every predicate made from the same format text.
struct ParsedFormat {
    NodePtr root;
    int placeholders = 0;
    QString problem;
};

ParsedFormat parsedFormat(const QString& format)
{
    static std::mutex mutex;
    static QHash<QString, ParsedFormat> cache;
    const std::lock_guard lock(mutex);
    const auto found = cache.constFind(format);
    if (found != cache.cend())
        return *found;
    ParsedFormat parsed;
    if (auto tokens = tokenize(format, &parsed.problem)) {
        Parser parser(std::move(*tokens));
        parsed.root = parser.parse(&parsed.problem);
        parsed.placeholders = parser.placeholderCount();
    }
    if (cache.size() < 256) // formats are few and fixed; don't grow without bound
        cache.insert(format, parsed);
    return parsed;
}

} // namespace

Predicate::Predicate(std::shared_ptr<const Node> root, QString format, QVariantList arguments)
    : m_root(std::move(root))
    , m_format(std::move(format))
    , m_arguments(std::move(arguments))
{
}

std::optional<Predicate> Predicate::withFormat(const QString& format, const QVariantList& arguments,
                                               foundation::Error* error)
{
    const ParsedFormat parsed = parsedFormat(format);
    QString problem = parsed.problem;
    if (parsed.root && parsed.placeholders != arguments.size())
        problem = QStringLiteral("%1 arguments for %2 placeholders")
                      .arg(arguments.size())
                      .arg(parsed.placeholders);
    if (!parsed.root || !problem.isEmpty()) {
        DataError::set(error, DataError::InvalidPredicate,
                       QStringLiteral("bad predicate \"%1\": %2").arg(format, problem));
        return std::nullopt;
    }
    return Predicate(parsed.root, format, arguments);
}

Predicate Predicate::withValue(bool value)
{
    auto node = std::make_shared<Node>();
    node->constant = value;
    return Predicate(node,
                     value ? QStringLiteral("TRUEPREDICATE") : QStringLiteral("FALSEPREDICATE"));
}

QString Predicate::Sql::whereClause() const
{
    if (alternatives.size() == 1)
        return alternatives.first();
    return u'(' + alternatives.join(QStringLiteral(") OR (")) + u')';
}

std::optional<Predicate::Sql> Predicate::toSql(const EntityDescription& entity,
                                               foundation::Error* error) const
{
    return PredicateCompiler::compile(m_root, m_arguments, entity, error);
}

std::shared_ptr<const CompiledPredicate> Predicate::compiled(const EntityDescription& entity,
                                                             foundation::Error* error) const
{
    return PredicateCompiler::compiled(m_root, m_arguments, entity, error);
}

} // namespace kesvor::data
