#pragma once

#include <QtCore/QVariant>

namespace kesvor::data {

/// What a QVariant holds, as far as stored values are concerned.
enum class ValueKind { Null, Bool, Integer, Real, String, Date, Bytes, Map, List, Other };

/// No value and JSON null are both Null.
inline ValueKind valueKind(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return ValueKind::Null;
    case QMetaType::Bool:
        return ValueKind::Bool;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return ValueKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return ValueKind::Real;
    case QMetaType::QString:
        return ValueKind::String;
    case QMetaType::QDateTime:
        return ValueKind::Date;
    case QMetaType::QByteArray:
        return ValueKind::Bytes;
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return ValueKind::Map;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return ValueKind::List;
    default:
        return ValueKind::Other;
    }
}

inline bool isNumber(ValueKind kind)
{
    return kind == ValueKind::Integer || kind == ValueKind::Real;
}

} // namespace kesvor::data
