#pragma once

#include "ui/layout/VisualFormat.h"

namespace kesvor::ui::layout {

/// A recursive-descent reader of one visual format string:
///   format     := ("H:" | "V:")? ("|" connection)? view (connection view)* (connection "|")?
///   view       := "[" name ("(" predicate ("," predicate)* ")")? "]"
///   connection := "" | "-" | "-" number "-" | "-(" predicate ("," predicate)* ")-"
///   predicate  := ("==" | "<=" | ">=")? (number | name) ("@" number)?
/// Numbers are decimal with an optional fraction; inside parentheses they may
/// carry a sign. Names are letters, digits and '_', not starting with a digit.
class VisualFormatParser {
public:
    explicit VisualFormatParser(const QString& format)
        : m_format(format)
    {
    }

    std::optional<VisualFormat> parse();
    const QString& error() const { return m_error; }

private:
    bool parseOrientation(VisualFormat& format);
    bool parseConnection(VfConnection& connection);
    bool parseView(VfView& view);
    bool parsePredicateList(QList<VfPredicate>& predicates, bool allowViews);
    bool parsePredicate(VfPredicate& predicate, bool allowViews);
    bool parseRelation(Relation& relation);
    bool parsePriority(std::optional<float>& priority);
    std::optional<double> parseNumber(bool allowSign);
    QString parseName();

    bool atEnd() const { return m_position >= m_format.size(); }
    QChar peek(qsizetype ahead = 0) const;
    bool consume(QChar character);
    bool expect(QChar character, const QString& what);
    bool fail(const QString& expected);
    bool fail(const QString& expected, qsizetype position);

    QString m_format;
    qsizetype m_position = 0;
    QString m_error;
};

} // namespace kesvor::ui::layout
