#include "ValueComparison.h"

#include <QtCore/QDateTime>
#include <QtCore/QVariantMap>

namespace kesvor::data {

namespace {

enum class Kind { Null, Bool, Integer, Real, String, Date, Bytes, Map, List, Other };

Kind kindOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return Kind::Null;
    case QMetaType::Bool:
        return Kind::Bool;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return Kind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Real;
    case QMetaType::QString:
        return Kind::String;
    case QMetaType::QDateTime:
        return Kind::Date;
    case QMetaType::QByteArray:
        return Kind::Bytes;
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return Kind::Map;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return Kind::List;
    default:
        return Kind::Other;
    }
}

bool isNumeric(Kind kind)
{
    return kind == Kind::Integer || kind == Kind::Real;
}

bool mapsEqual(const QVariantMap& a, const QVariantMap& b)
{
    if (a.size() != b.size())
        return false;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const auto other = b.constFind(it.key());
        if (other == b.cend() || !valuesEqual(it.value(), other.value()))
            return false;
    }
    return true;
}

QVariantMap asVariantMap(const QVariant& value)
{
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap();
    QVariantMap map;
    const QVariantHash hash = value.toHash();
    for (auto it = hash.cbegin(); it != hash.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

// UTF-16 code units reordered so that comparing them gives code point order
// (the order of UTF-8 bytes, which is how the database compares text).
int compareCodePoints(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x == y)
            continue;
        if (x >= 0xD800 && y >= 0xD800) {
            x = x >= 0xE000 ? char16_t(x - 0x800) : char16_t(x + 0x2000);
            y = y >= 0xE000 ? char16_t(y - 0x800) : char16_t(y + 0x2000);
        }
        return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename T> int threeWay(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int rank(Kind kind)
{
    switch (kind) {
    case Kind::Null:
        return 0;
    case Kind::Bool:
    case Kind::Integer:
    case Kind::Real:
    case Kind::Date:
        return 1;
    case Kind::String:
        return 2;
    case Kind::Bytes:
        return 3;
    default:
        return 4;
    }
}

} // namespace

bool valuesEqual(const QVariant& a, const QVariant& b)
{
    const Kind ka = kindOf(a);
    const Kind kb = kindOf(b);
    if (isNumeric(ka) && isNumeric(kb)) {
        if (ka == Kind::Integer && kb == Kind::Integer)
            return a.toLongLong() == b.toLongLong();
        return a.toDouble() == b.toDouble();
    }
    if (ka != kb)
        return false;
    switch (ka) {
    case Kind::Null:
        return true;
    case Kind::Bool:
        return a.toBool() == b.toBool();
    case Kind::String:
        return a.toString() == b.toString();
    case Kind::Date:
        return a.toDateTime().toMSecsSinceEpoch() == b.toDateTime().toMSecsSinceEpoch();
    case Kind::Bytes:
        return a.toByteArray() == b.toByteArray();
    case Kind::Map:
        return mapsEqual(asVariantMap(a), asVariantMap(b));
    case Kind::List: {
        const QVariantList left = a.toList();
        const QVariantList right = b.toList();
        return left.size() == right.size() &&
               std::equal(left.cbegin(), left.cend(), right.cbegin(), valuesEqual);
    }
    default:
        return a == b;
    }
}

int compareValues(const QVariant& a, const QVariant& b)
{
    const Kind ka = kindOf(a);
    const Kind kb = kindOf(b);
    if (rank(ka) != rank(kb))
        return threeWay(rank(ka), rank(kb));
    switch (ka) {
    case Kind::Null:
        return 0;
    case Kind::Bool:
    case Kind::Integer:
    case Kind::Real:
        if ((ka == Kind::Real) || (kb == Kind::Real))
            return threeWay(a.toDouble(), b.toDouble());
        return threeWay(a.toLongLong(), b.toLongLong());
    case Kind::Date:
        return threeWay(a.toDateTime().toMSecsSinceEpoch(), b.toDateTime().toMSecsSinceEpoch());
    case Kind::String:
        return compareCodePoints(a.toString(), b.toString());
    case Kind::Bytes:
        return threeWay(a.toByteArray(), b.toByteArray());
    default:
        return 0;
    }
}

} // namespace kesvor::data
