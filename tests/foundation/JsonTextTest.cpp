#include "foundation/Json.h"
#include "foundation/JsonReader.h"
#include "foundation/JsonWriter.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSize>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using kesvor::foundation::Json;
using kesvor::foundation::JsonReader;
using kesvor::foundation::JsonWriter;

// The reader and writer are checked against Qt's JSON document classes, which
// the rest of the code used before and still uses elsewhere: the same text out
// for the same values, the same values (or refusal) for the same text.

namespace {

class RandomValues {
public:
    explicit RandomValues(unsigned seed)
        : m_random(seed)
    {
    }

    int below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(m_random); }

    QVariant value(int depth = 0)
    {
        switch (below(depth < 4 ? 9 : 6)) {
        case 0:
            return QVariant::fromValue(nullptr);
        case 1:
            return below(2) == 0;
        case 2:
            return integer();
        case 3:
            return real();
        case 4:
        case 5:
            return string();
        case 6: {
            QVariantList list;
            for (int i = below(5); i > 0; --i)
                list.append(value(depth + 1));
            return list;
        }
        case 7: {
            QVariantMap map;
            for (int i = below(5); i > 0; --i)
                map.insert(string(), value(depth + 1));
            return map;
        }
        default: {
            QVariantHash hash;
            for (int i = below(4); i > 0; --i)
                hash.insert(string(), value(depth + 1));
            return hash;
        }
        }
    }

    QString string(bool loneSurrogates = true)
    {
        static const char16_t special[] = {u'"',   u'\\',  u'/', u'\b', u'\n',  u'\t',
                                           0x01,   0x1f,   0x7f, 0xe9,  0x2028, 0xfeff,
                                           0xfffe, 0xffff, u'u', u' ',  0,      u'\r'};
        QString text;
        for (int i = below(below(3) == 0 ? 40 : 12); i > 0; --i) {
            const int kind = below(10);
            if (kind < 5)
                text.append(QChar(u'a' + below(26)));
            else if (kind < 8)
                text.append(QChar(special[below(std::size(special))]));
            else if (kind == 8)
                text.append(QString::fromUcs4(U"\U0001F600"));
            else if (loneSurrogates)
                text.append(QChar(char16_t(0xd800 + below(0x800))));
        }
        return text;
    }

    QVariant integer()
    {
        static const qint64 edges[] = {0,
                                       -1,
                                       std::numeric_limits<qint64>::max(),
                                       std::numeric_limits<qint64>::min(),
                                       std::numeric_limits<int>::max(),
                                       9007199254740993LL};
        switch (below(6)) {
        case 0:
            return int(m_random());
        case 1:
            return qlonglong(m_random()) << below(40);
        case 2:
            return edges[below(std::size(edges))];
        case 3:
            return uint(m_random());
        case 4:
            return QVariant::fromValue<short>(short(m_random()));
        default:
            return QVariant::fromValue<qulonglong>(quint64(m_random()) << below(40));
        }
    }

    QVariant real()
    {
        static const double edges[] = {0.0,
                                       -0.0,
                                       0.1,
                                       1e21,
                                       1e-7,
                                       5e-324,
                                       std::numeric_limits<double>::max(),
                                       9007199254740992.0,
                                       9007199254740994.0,
                                       -9223372036854775808.0,
                                       1e16,
                                       8e15,
                                       123456.5};
        switch (below(4)) {
        case 0:
            return edges[below(std::size(edges))];
        case 1:
            return QVariant::fromValue<float>(float(m_random()) / 7.0f);
        case 2:
            return std::ldexp(double(m_random()), below(120) - 60);
        default:
            return double(qint64(m_random()) - 2'000'000'000) * (below(2) ? 1.0 : 0.001);
        }
    }

    // A valid document, damaged a little at random places.
    QString mutated(const QString& text)
    {
        static const char alphabet[] = "[]{},:\"\\u0123456789.eE-+ tfnrlsaxd\n\t";
        QString result = text;
        for (int i = below(3); i >= 0; --i) {
            const int position = result.isEmpty() ? 0 : below(int(result.size()));
            const QChar c = QLatin1Char(alphabet[below(int(sizeof alphabet) - 1)]);
            switch (below(3)) {
            case 0:
                result.insert(position, c);
                break;
            case 1:
                result.remove(position, 1);
                break;
            default:
                if (!result.isEmpty())
                    result[position] = c;
            }
        }
        return result;
    }

private:
    std::mt19937 m_random;
};

QByteArray qtText(const QVariant& value)
{
    return QJsonDocument(QJsonArray{Json::toJsonValue(value)}).toJson(QJsonDocument::Compact);
}

QString written(const QVariant& value)
{
    QString text;
    EXPECT_TRUE(JsonWriter::write(value, text));
    return text;
}

// Values with their exact types, for comparisons that must not equate 1 and 1.0.
QString describe(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList: {
        QString text = QStringLiteral("[");
        for (const QVariant& element : value.toList())
            text += describe(element) + QLatin1Char(',');
        return text + QLatin1Char(']');
    }
    case QMetaType::QVariantMap: {
        QString text = QStringLiteral("{");
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            text += written(it.key()) + QLatin1Char(':') + describe(it.value()) + QLatin1Char(',');
        return text + QLatin1Char('}');
    }
    case QMetaType::Double:
        return QStringLiteral("double ") + QString::number(value.toDouble(), 'g', 17);
    default:
        return QString::fromLatin1(value.typeName()) + QLatin1Char(' ') + written(value);
    }
}

// Qt's parser drops a U+FEFF that opens a string; the reader keeps it. The
// differential tests send it escaped, which both read alike.
QString escapingLeadingByteOrderMarks(QString text)
{
    return text.replace(QStringLiteral("\"\uFEFF"), QStringLiteral("\"\\ufeff"));
}

std::optional<QVariant> qtRead(const QString& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    if (document.isArray())
        return Json::fromJsonValue(document.array());
    if (document.isObject())
        return Json::fromJsonValue(document.object());
    return std::nullopt;
}

} // namespace

TEST(JsonTextTest, WriterGivesTheTextOfQtsDocuments)
{
    RandomValues random(19);
    for (int i = 0; i < 4000; ++i) {
        const QVariant value = random.value();
        QString text = QStringLiteral("[");
        ASSERT_TRUE(JsonWriter::write(value, text));
        text += QLatin1Char(']');
        ASSERT_EQ(text.toUtf8(), qtText(value)) << "value " << i;
    }
    EXPECT_EQ(Json::encode(QVariantMap{{"k", QVariantList{1, "\"x\""}}}), R"({"k":[1,"\"x\""]})");
}

TEST(JsonTextTest, WriterRefusesWhatIsNotJson)
{
    for (const QVariant& value :
         {QVariant(std::numeric_limits<double>::quiet_NaN()), QVariant(qInf()),
          QVariant::fromValue<float>(-std::numeric_limits<float>::infinity()),
          QVariant(QSize(1, 2)),
          QVariant(QVariantList{1, QVariantMap{{"x", QDateTime::currentDateTimeUtc()}}}),
          QVariant(QByteArray("bytes")), QVariant(QChar(u'c'))}) {
        QString text;
        EXPECT_FALSE(JsonWriter::write(value, text)) << value.typeName();
        EXPECT_EQ(Json::isEncodable(value), false) << value.typeName();
    }
    // Qt's documents write longs as strings; they are numbers.
    EXPECT_EQ(written(QVariantList{QVariant::fromValue<long>(-7), QVariant::fromValue<ulong>(7)}),
              "[-7,7]");
}

TEST(JsonTextTest, ReaderGivesTheValuesOfQtsParser)
{
    RandomValues random(23);
    int refused = 0;
    for (int i = 0; i < 20'000; ++i) {
        QVariantList top{random.value(), random.value()};
        QString text;
        ASSERT_TRUE(JsonWriter::write(
            i % 2 ? QVariant(top) : QVariant(QVariantMap{{random.string(false), top}}), text));
        text = escapingLeadingByteOrderMarks(text);
        const auto expectedWhole = qtRead(text);
        ASSERT_TRUE(expectedWhole) << text.toStdString();
        const auto readWhole = JsonReader::read(text);
        ASSERT_TRUE(readWhole) << text.toStdString();
        ASSERT_EQ(describe(*readWhole), describe(*expectedWhole)) << text.toStdString();
        const QString damaged = escapingLeadingByteOrderMarks(random.mutated(text));
        if (QString::fromUtf8(damaged.toUtf8()) != damaged)
            continue; // a surrogate pair was split
        const auto expected = qtRead(damaged);
        const auto read = JsonReader::read(damaged);
        ASSERT_EQ(read.has_value(), expected.has_value()) << damaged.toStdString();
        if (expected) {
            ASSERT_EQ(describe(*read), describe(*expected)) << damaged.toStdString();
        } else {
            ++refused;
        }
    }
    EXPECT_GT(refused, 5000) << "the damage should break many documents";
}

TEST(JsonTextTest, ReaderEdgesOfQtsParser)
{
    const char* const texts[] = {"[1.]",
                                 "[.5]",
                                 "[-.5]",
                                 "[.]",
                                 "[-]",
                                 "[01]",
                                 "[-0]",
                                 "[-0.0]",
                                 "[1e400]",
                                 "[1e-400]",
                                 "[1e-310]",
                                 "[0e-400]",
                                 "[9223372036854775807]",
                                 "[9223372036854775808]",
                                 "[-9223372036854775808]",
                                 "[-9223372036854775809]",
                                 "[4503599627370496.5]",
                                 "[\"\\x\"]",
                                 "[\"\\u12\"]",
                                 "[\"\\ud83d\\ude00\\ud800\"]",
                                 "[\"a\x01\"]",
                                 "[1,]",
                                 "[,1]",
                                 "{\"a\":1,\"a\":2}",
                                 "{\"a\" 1}",
                                 "{1:2}",
                                 "[nulll]",
                                 "[tru]",
                                 "[1]x",
                                 " [1] ",
                                 "\xEF\xBB\xBF[1]",
                                 " \xEF\xBB\xBF[1]",
                                 "[\f1]",
                                 "\"text\"",
                                 "42",
                                 "",
                                 "[",
                                 "{\"a\":",
                                 "[\"abc"};
    for (const char* text : texts) {
        const QString string = QString::fromUtf8(text);
        const auto expected = qtRead(string);
        const auto read = JsonReader::read(string);
        ASSERT_EQ(read.has_value(), expected.has_value()) << text;
        if (expected) {
            EXPECT_EQ(describe(*read), describe(*expected)) << text;
        }
    }
    for (const int depth : {1024, 1025, 100'000}) {
        const QString text = QString(depth, u'[') + QString(depth, u']');
        EXPECT_EQ(JsonReader::read(text).has_value(), depth <= 1024) << depth;
    }
    EXPECT_EQ(JsonReader::readArray(u"[1,\"a\"]"), (QVariantList{1LL, "a"}));
    EXPECT_EQ(JsonReader::readArray(u"[\"\uFEFFa\"]"), QVariantList{QStringLiteral("\uFEFFa")});
    EXPECT_FALSE(JsonReader::readArray(u"{}"));
}
