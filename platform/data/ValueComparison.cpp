#include "data/ValueComparison.h"

#include "data/ValueKind.h"

#include <QtCore/QDateTime>
#include <QtCore/QVariantMap>

namespace kesvor::data {

namespace {

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

int rank(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Null:
        return 0;
    case ValueKind::Bool:
    case ValueKind::Integer:
    case ValueKind::Real:
    case ValueKind::Date:
        return 1;
    case ValueKind::String:
        return 2;
    case ValueKind::Bytes:
        return 3;
    default:
        return 4;
    }
}

} // namespace

bool valuesEqual(const QVariant& a, const QVariant& b)
{
    const ValueKind ka = valueKind(a);
    const ValueKind kb = valueKind(b);
    if (isNumber(ka) && isNumber(kb)) {
        if (ka == ValueKind::Integer && kb == ValueKind::Integer)
            return a.toLongLong() == b.toLongLong();
        return a.toDouble() == b.toDouble();
    }
    if (ka != kb)
        return false;
    switch (ka) {
    case ValueKind::Null:
        return true;
    case ValueKind::Bool:
        return a.toBool() == b.toBool();
    case ValueKind::String:
        return a.toString() == b.toString();
    case ValueKind::Date:
        return a.toDateTime().toMSecsSinceEpoch() == b.toDateTime().toMSecsSinceEpoch();
    case ValueKind::Bytes:
        return a.toByteArray() == b.toByteArray();
    case ValueKind::Map:
        return mapsEqual(asVariantMap(a), asVariantMap(b));
    case ValueKind::List: {
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
    const ValueKind ka = valueKind(a);
    const ValueKind kb = valueKind(b);
    if (rank(ka) != rank(kb))
        return threeWay(rank(ka), rank(kb));
    switch (ka) {
    case ValueKind::Null:
        return 0;
    case ValueKind::Bool:
    case ValueKind::Integer:
    case ValueKind::Real:
        if ((ka == ValueKind::Real) || (kb == ValueKind::Real))
            return threeWay(a.toDouble(), b.toDouble());
        return threeWay(a.toLongLong(), b.toLongLong());
    case ValueKind::Date:
        return threeWay(a.toDateTime().toMSecsSinceEpoch(), b.toDateTime().toMSecsSinceEpoch());
    case ValueKind::String:
        return compareCodePoints(a.toString(), b.toString());
    case ValueKind::Bytes:
        return threeWay(a.toByteArray(), b.toByteArray());
    default:
        return 0;
    }
}

} // namespace kesvor::data
