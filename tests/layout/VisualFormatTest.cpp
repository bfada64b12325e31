#include "ui/layout/VisualFormat.h"

#include <gtest/gtest.h>

#include <QtCore/QRandomGenerator>

using namespace kesvor::ui::layout;

namespace {

QString number(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString printed(const VfPredicate& predicate)
{
    static const char* const relations[] = {"<=", "==", ">="};
    QString text = QLatin1String(relations[int(predicate.relation)]);
    text += predicate.constant ? number(*predicate.constant) : predicate.viewName;
    if (predicate.priority)
        text += u'@' + number(*predicate.priority);
    return text;
}

QString printed(const QList<VfPredicate>& predicates)
{
    QStringList parts;
    for (const VfPredicate& predicate : predicates)
        parts << printed(predicate);
    return u'(' + parts.join(u',') + u')';
}

QString printed(const VfConnection& connection)
{
    if (connection.standard)
        return QStringLiteral("-");
    return connection.predicates.isEmpty() ? QString()
                                           : u'-' + printed(connection.predicates) + u'-';
}

/// Writes a parsed format back in one canonical spelling: orientation always
/// given, every relation spelled out, every spacing in parentheses.
QString printed(const VisualFormat& format)
{
    QString text = format.orientation == VisualFormat::Orientation::Horizontal ? "H:" : "V:";
    if (format.leadingSuperview)
        text += u'|' + printed(format.leadingConnection);
    for (qsizetype i = 0; i < format.views.size(); ++i) {
        if (i > 0)
            text += printed(format.connections[i - 1]);
        const VfView& view = format.views[i];
        text += u'[' + view.name +
                (view.sizePredicates.isEmpty() ? QString() : printed(view.sizePredicates)) + u']';
    }
    if (format.trailingSuperview)
        text += printed(format.trailingConnection) + u'|';
    return text;
}

QString reprinted(const QString& format)
{
    QString error;
    const std::optional<VisualFormat> parsed = VisualFormat::parse(format, &error);
    EXPECT_TRUE(error.isEmpty() == parsed.has_value()) << error.toStdString();
    return parsed ? printed(*parsed) : QStringLiteral("error: ") + error;
}

QString errorOf(const QString& format)
{
    QString error;
    EXPECT_FALSE(VisualFormat::parse(format, &error)) << format.toStdString();
    return error;
}

} // namespace

TEST(VisualFormatTest, ParsesEveryLayoutStringOfTheScreens)
{
    // format as the screens write it -> canonical reading
    const std::pair<const char*, const char*> cases[] = {
        {"H:|-10-[v0]-10-|", "H:|-(==10)-[v0]-(==10)-|"},
        {"V:|-24-[v0]-10-|", "V:|-(==24)-[v0]-(==10)-|"},
        {"H:|[v0]|", "H:|[v0]|"},
        {"V:|-0-[v0(==64)]", "V:|-(==0)-[v0(==64)]"},
        {"V:|-64-[v0]|", "V:|-(==64)-[v0]|"},
        {"V:[v0(==60)]", "V:[v0(==60)]"},
        {"V:|-5-[v0]|", "V:|-(==5)-[v0]|"},
        {"H:|-24-[backView(<=296.0)]", "H:|-(==24)-[backView(<=296)]"},
        {"H:[backView(<=315.5)]-24-|", "H:[backView(<=315.5)]-(==24)-|"},
        {"V:[backView]", "V:[backView]"},
        {"H:|-16-[messageLabel]-16-|", "H:|-(==16)-[messageLabel]-(==16)-|"},
        {"H:|-30-[v0]|", "H:|-(==30)-[v0]|"},
        {"V:[v0]-0-[v1(==24)]|", "V:[v0]-(==0)-[v1(==24)]|"},
        {"H:[v0]-[v1(==24)]-30-|", "H:[v0]-[v1(==24)]-(==30)-|"},
        {"V:[v0(==24)]|", "V:[v0(==24)]|"},
        {"H:|-10-[v0]-10-[v1(==58.5)]-4-|", "H:|-(==10)-[v0]-(==10)-[v1(==58.5)]-(==4)-|"},
        {"V:[v0(==37.0)]-4-|", "V:[v0(==37)]-(==4)-|"},
        {"H:|-5-[v0]", "H:|-(==5)-[v0]"},
        {"V:[v0(==0.5)]|", "V:[v0(==0.5)]|"},
        {"H:|[v0]-10-[v1]|", "H:|[v0]-(==10)-[v1]|"},
        {"H:[v0(==250)]", "H:[v0(==250)]"},
        {"V:|-0-[v0]-1-[v1]", "V:|-(==0)-[v0]-(==1)-[v1]"},
        {"V:|-11-[v0(<=60)]-4-[v1(<=80)]-(>=12)-|",
         "V:|-(==11)-[v0(<=60)]-(==4)-[v1(<=80)]-(>=12)-|"},
        {"V:|-11-[v0(<=60)]-(>=12)-|", "V:|-(==11)-[v0(<=60)]-(>=12)-|"},
        {"V:[v0]-1-[v1(==44)]-1-[v2(==44)]-1-[v3(==44)]-0-|",
         "V:[v0]-(==1)-[v1(==44)]-(==1)-[v2(==44)]-(==1)-[v3(==44)]-(==0)-|"},
        {"V:[v0]-0.5-[v1(==44)]-0.5-[v2(==44)]-1-[v3(==44)]-0-|",
         "V:[v0]-(==0.5)-[v1(==44)]-(==0.5)-[v2(==44)]-(==1)-[v3(==44)]-(==0)-|"},
        {"H:[v0(<=280.0)]", "H:[v0(<=280)]"},
        {"H:[v0(>=240.0)]", "H:[v0(>=240)]"},
        {"V:[v0]-0.5-[v1]-0.5-[v2]-1-[v3]-0.5-[v4]-0-|",
         "V:[v0]-(==0.5)-[v1]-(==0.5)-[v2]-(==1)-[v3]-(==0.5)-[v4]-(==0)-|"},
        {"V:[v0]-0.5-[v1(>=44)]-0-|", "V:[v0]-(==0.5)-[v1(>=44)]-(==0)-|"},
        {"V:[v0]-0.5-[v1(==56.0)]-0.5-[v2(==12.0)]-1-[v3(==12.0)]-0.5-[v4(==12.0)]-0-|",
         "V:[v0]-(==0.5)-[v1(==56)]-(==0.5)-[v2(==12)]-(==1)-[v3(==12)]-(==0.5)-[v4(==12)]-(==0)-"
         "|"},
        {"V:[v0]-0.5-[v1(==138.5)]-0-|", "V:[v0]-(==0.5)-[v1(==138.5)]-(==0)-|"},
        {"V:|-14-[v0]-14-|", "V:|-(==14)-[v0]-(==14)-|"},
        {"H:[v0]-30-|", "H:[v0]-(==30)-|"},
        {"V:|-10-[v0]-10-[v1(==30)]-[v2(==30)]-10-|",
         "V:|-(==10)-[v0]-(==10)-[v1(==30)]-[v2(==30)]-(==10)-|"},
        {"V:|-100-[v0]|", "V:|-(==100)-[v0]|"},
        {"H:[v0(==44)]-10-|", "H:[v0(==44)]-(==10)-|"},
        {"H:|[v0]", "H:|[v0]"},
        {"V:[v0]-0-[v1(==2)]-0-[v2]|", "V:[v0]-(==0)-[v1(==2)]-(==0)-[v2]|"},
    };
    for (const auto& [format, expected] : cases)
        EXPECT_EQ(reprinted(format), QString::fromLatin1(expected)) << format;
}

TEST(VisualFormatTest, ReadsTheFullPredicateGrammar)
{
    EXPECT_EQ(reprinted("[v0]"), "H:[v0]");
    EXPECT_EQ(reprinted("|-[v0(v1)]-(-5)-[v1(>=v0@250,<=200)]-|"),
              "H:|-[v0(==v1)]-(==-5)-[v1(>=v0@250,<=200)]-|");
    EXPECT_EQ(reprinted("H:[a_1(==+3.25@999.5)][b(>=-0.5,==.5)]"),
              "H:[a_1(==3.25@999.5)][b(>=-0.5,==0.5)]");
    EXPECT_EQ(reprinted("V:|-(>=8,<=20@750)-[v0]"), "V:|-(>=8,<=20@750)-[v0]");

    const VisualFormat format =
        *VisualFormat::parse("V:|-11-[v0(<=60)]-4-[v1(<=80@1000)]-(>=12)-|");
    EXPECT_EQ(format.orientation, VisualFormat::Orientation::Vertical);
    EXPECT_TRUE(format.leadingSuperview);
    EXPECT_TRUE(format.trailingSuperview);
    ASSERT_EQ(format.views.size(), 2);
    ASSERT_EQ(format.connections.size(), 1);
    EXPECT_EQ(format.connections[0].predicates[0].constant, 4.0);
    EXPECT_EQ(format.views[1].sizePredicates[0].priority, 1000.0f);
    EXPECT_EQ(format.trailingConnection.predicates[0].relation, Relation::GreaterOrEqual);
    EXPECT_FALSE(format.trailingConnection.standard);
    EXPECT_TRUE(format.views[0].sizePredicates[0].viewName.isEmpty());
}

TEST(VisualFormatTest, MalformedStringsSayWhatWasExpectedWhere)
{
    EXPECT_EQ(errorOf(""), "Unable to parse visual format \"\": expected '|' or '[' to start a "
                           "view at index 0, found the end of the format");
    EXPECT_EQ(errorOf("H:|-10-[v0"),
              "Unable to parse visual format \"H:|-10-[v0\": expected "
              "']' to close view 'v0' at index 10, found the end of the format");
    const std::pair<const char*, const char*> cases[] = {
        {"H", "':' after the orientation at index 1"},
        {"X:[v0]", "'|' or '[' to start a view at index 0, found 'X'"},
        {"H:", "'|' or '[' to start a view at index 2"},
        {"H:|-10-|", "'[' to start a view at index 7, found '|'"},
        {"H:|x[v0]", "'-' or '[' to start a view at index 3"},
        {"H:[]", "a view name at index 3"},
        {"H:[1v]", "a view name at index 3"},
        {"H:[v0]-", "'[' or '|' after a connection at index 7"},
        {"H:[v0]--[v1]", "'[' or '|' after a connection at index 7"},
        {"H:[v0]x", "'-', '[' or '|' after a view at index 6"},
        {"H:[v0] -[v1]", "'-', '[' or '|' after a view at index 6, found ' '"},
        {"H:[v0]-10[v1]", "'-' after the spacing at index 9"},
        {"H:|--10-[v0]", "'[' to start a view at index 4"},
        {"H:[v0]-gap-[v1]", "a number for the spacing (metric names are not supported) at index 7"},
        {"H:[v0]-(v1)-[v1]", "a number (a spacing cannot refer to a view) at index 8"},
        {"H:[v0]-(>=8)[v1]", "'-' after the spacing predicates at index 12"},
        {"H:[v0(==)]", "a number or a view name at index 8"},
        {"H:[v0(=10)]", "'==', '<=' or '>=' at index 6"},
        {"H:[v0(10,)]", "a number or a view name at index 9"},
        {"H:[v0(10]", "',' or ')' after a predicate at index 8"},
        {"H:[v0(10@)]", "a priority number after '@' at index 9"},
        {"H:[v0(10@0)]", "a priority from 1 to 1000 at index 9"},
        {"H:[v0(10@1001)]", "a priority from 1 to 1000 at index 9"},
        {"H:[v0(1.)]", "a digit after the decimal point at index 8"},
        {"H:[v0(-)]", "a number at index 7"},
        {"H:[v0]|[v1]", "the end of the format after the closing '|' at index 7"},
    };
    for (const auto& [format, expected] : cases) {
        const QString error = errorOf(format);
        EXPECT_TRUE(error.contains(QLatin1String(expected)))
            << format << ": " << error.toStdString();
    }
}

TEST(VisualFormatTest, NeverCrashesOnArbitraryInput)
{
    // Random strings over the grammar's own characters, and valid strings
    // with one character changed: each either parses or explains why not.
    static const QString alphabet = QStringLiteral("HV:|-[]()@,=<>.0123456789v_ +x\u00e9");
    static const QString valid = QStringLiteral("V:|-11-[v0(<=60)]-4-[v1(<=80@750,>=v0)]-(>=12)-|");
    QRandomGenerator random(7);
    for (int round = 0; round < 20000; ++round) {
        QString format;
        if (round % 2) {
            format = valid;
            const int position = random.bounded(int(valid.size()));
            const QChar replacement = alphabet.at(random.bounded(int(alphabet.size())));
            random.bounded(3) == 0 ? format.remove(position, 1)
                                   : format.replace(position, 1, replacement);
        } else {
            for (int length = random.bounded(24); length > 0; --length)
                format += alphabet.at(random.bounded(int(alphabet.size())));
        }
        QString error;
        const std::optional<VisualFormat> parsed = VisualFormat::parse(format, &error);
        ASSERT_NE(parsed.has_value(), !error.isEmpty()) << format.toStdString();
        if (parsed) {
            ASSERT_FALSE(parsed->views.isEmpty());
            ASSERT_EQ(parsed->connections.size(), parsed->views.size() - 1);
            ASSERT_EQ(VisualFormat::parse(printed(*parsed)), parsed) << format.toStdString();
        }
    }
    EXPECT_FALSE(VisualFormat::parse(QStringLiteral("H:[v0(") + QString(400, u'9') + ")]"));
}
