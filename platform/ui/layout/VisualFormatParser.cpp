#include "ui/layout/VisualFormatParser.h"

#include <cmath>

namespace kesvor::ui::layout {

namespace {

constexpr float minimumPriority = 1.0f;
constexpr float maximumPriority = 1000.0f;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isNameStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}
bool isNameCharacter(QChar c)
{
    return isNameStart(c) || isDigit(c);
}
bool startsNumber(QChar c)
{
    return isDigit(c) || c == u'.';
}

QString quoted(QChar c)
{
    return QStringLiteral("'%1'").arg(c);
}

} // namespace

QChar VisualFormatParser::peek(qsizetype ahead) const
{
    const qsizetype index = m_position + ahead;
    return index < m_format.size() ? m_format.at(index) : QChar();
}

bool VisualFormatParser::consume(QChar character)
{
    if (atEnd() || peek() != character)
        return false;
    ++m_position;
    return true;
}

bool VisualFormatParser::expect(QChar character, const QString& what)
{
    return consume(character) || fail(what);
}

bool VisualFormatParser::fail(const QString& expected)
{
    return fail(expected, m_position);
}

bool VisualFormatParser::fail(const QString& expected, qsizetype position)
{
    const QString found = position >= m_format.size() ? QStringLiteral("the end of the format")
                                                      : quoted(m_format.at(position));
    m_error = QStringLiteral("Unable to parse visual format \"%1\": expected %2 at index %3, "
                             "found %4")
                  .arg(m_format, expected, QString::number(position), found);
    return false;
}

std::optional<VisualFormat> VisualFormatParser::parse()
{
    VisualFormat format;
    if (!parseOrientation(format))
        return std::nullopt;
    if (consume(u'|')) {
        format.leadingSuperview = true;
        if (!parseConnection(format.leadingConnection))
            return std::nullopt;
    }
    if (peek() != u'[') {
        const bool flush =
            !format.leadingConnection.standard && format.leadingConnection.predicates.isEmpty();
        fail(!format.leadingSuperview ? QStringLiteral("'|' or '[' to start a view")
             : flush                  ? QStringLiteral("'-' or '[' to start a view")
                                      : QStringLiteral("'[' to start a view"));
        return std::nullopt;
    }
    VfView first;
    if (!parseView(first))
        return std::nullopt;
    format.views.append(first);

    while (!atEnd()) {
        VfConnection connection;
        if (!parseConnection(connection))
            return std::nullopt;
        if (consume(u'|')) {
            format.trailingSuperview = true;
            format.trailingConnection = connection;
            if (!atEnd()) {
                fail(QStringLiteral("the end of the format after the closing '|'"));
                return std::nullopt;
            }
            break;
        }
        if (peek() != u'[') {
            const bool flush = !connection.standard && connection.predicates.isEmpty();
            {
                fail(flush ? QStringLiteral("'-', '[' or '|' after a view")
                           : QStringLiteral("'[' or '|' after a connection"));
                return std::nullopt;
            }
        }
        VfView view;
        if (!parseView(view))
            return std::nullopt;
        format.connections.append(connection);
        format.views.append(view);
    }
    return format;
}

bool VisualFormatParser::parseOrientation(VisualFormat& format)
{
    const QChar first = peek();
    if (first != u'H' && first != u'V')
        return true;
    if (peek(1) != u':')
        return fail(QStringLiteral("':' after the orientation"), m_position + 1);
    format.orientation =
        first == u'H' ? VisualFormat::Orientation::Horizontal : VisualFormat::Orientation::Vertical;
    m_position += 2;
    return true;
}

bool VisualFormatParser::parseConnection(VfConnection& connection)
{
    if (!consume(u'-'))
        return true; // flush
    if (startsNumber(peek())) {
        const std::optional<double> spacing = parseNumber(false);
        if (!spacing)
            return false;
        connection.predicates.append(VfPredicate{Relation::Equal, spacing, {}, {}});
        return expect(u'-', QStringLiteral("'-' after the spacing"));
    }
    if (peek() == u'(') {
        return parsePredicateList(connection.predicates, false) &&
               expect(u'-', QStringLiteral("'-' after the spacing predicates"));
    }
    if (isNameStart(peek()))
        return fail(QStringLiteral("a number for the spacing (metric names are not supported)"));
    connection.standard = true;
    return true;
}

bool VisualFormatParser::parseView(VfView& view)
{
    if (!expect(u'[', QStringLiteral("'[' to start a view")))
        return false;
    view.name = parseName();
    if (view.name.isEmpty())
        return fail(QStringLiteral("a view name"));
    if (peek() == u'(' && !parsePredicateList(view.sizePredicates, true))
        return false;
    return expect(u']', QStringLiteral("']' to close view '%1'").arg(view.name));
}

bool VisualFormatParser::parsePredicateList(QList<VfPredicate>& predicates, bool allowViews)
{
    if (!expect(u'(', QStringLiteral("'('")))
        return false;
    do {
        VfPredicate predicate;
        if (!parsePredicate(predicate, allowViews))
            return false;
        predicates.append(predicate);
    } while (consume(u','));
    return expect(u')', QStringLiteral("',' or ')' after a predicate"));
}

bool VisualFormatParser::parsePredicate(VfPredicate& predicate, bool allowViews)
{
    if (!parseRelation(predicate.relation))
        return false;
    const QChar c = peek();
    if (startsNumber(c) || c == u'-' || c == u'+') {
        predicate.constant = parseNumber(true);
        if (!predicate.constant)
            return false;
    } else if (isNameStart(c)) {
        if (!allowViews)
            return fail(QStringLiteral("a number (a spacing cannot refer to a view)"));
        predicate.viewName = parseName();
    } else {
        return fail(allowViews ? QStringLiteral("a number or a view name")
                               : QStringLiteral("a number"));
    }
    return parsePriority(predicate.priority);
}

bool VisualFormatParser::parseRelation(Relation& relation)
{
    const QChar first = peek();
    if (first != u'=' && first != u'<' && first != u'>')
        return true; // a bare object means ==
    if (peek(1) != u'=')
        return fail(QStringLiteral("'==', '<=' or '>='"));
    relation = first == u'='   ? Relation::Equal
               : first == u'<' ? Relation::LessOrEqual
                               : Relation::GreaterOrEqual;
    m_position += 2;
    return true;
}

bool VisualFormatParser::parsePriority(std::optional<float>& priority)
{
    if (!consume(u'@'))
        return true;
    const qsizetype start = m_position;
    if (!startsNumber(peek()))
        return fail(QStringLiteral("a priority number after '@'"));
    const std::optional<double> value = parseNumber(false);
    if (!value)
        return false;
    if (*value < minimumPriority || *value > maximumPriority)
        return fail(QStringLiteral("a priority from 1 to 1000"), start);
    priority = static_cast<float>(*value);
    return true;
}

std::optional<double> VisualFormatParser::parseNumber(bool allowSign)
{
    const qsizetype start = m_position;
    if (allowSign && (peek() == u'-' || peek() == u'+'))
        ++m_position;
    qsizetype digits = 0;
    for (; isDigit(peek()); ++m_position)
        ++digits;
    if (consume(u'.')) {
        if (!isDigit(peek())) {
            fail(QStringLiteral("a digit after the decimal point"));
            return std::nullopt;
        }
        for (; isDigit(peek()); ++m_position)
            ++digits;
    }
    if (digits == 0) {
        fail(QStringLiteral("a number"));
        return std::nullopt;
    }
    bool ok = false;
    const double value = m_format.mid(start, m_position - start).toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        fail(QStringLiteral("a number in range"), start);
        return std::nullopt;
    }
    return value;
}

QString VisualFormatParser::parseName()
{
    if (!isNameStart(peek()))
        return {};
    const qsizetype start = m_position;
    while (isNameCharacter(peek()))
        ++m_position;
    return m_format.mid(start, m_position - start);
}

} // namespace kesvor::ui::layout
