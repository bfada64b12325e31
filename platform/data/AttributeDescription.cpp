#include "AttributeDescription.h"

#include "ValueKind.h"

#include "foundation/Json.h"

#include <QtCore/QCborStreamWriter>
#include <QtCore/QCborValue>
#include <QtCore/QDateTime>

namespace kesvor::data {

namespace {

// Writes a JSON-typed value as CBOR directly, without building a QCborValue tree.
void writeCbor(QCborStreamWriter& writer, const QVariant& value)
{
    switch (valueKind(value)) {
    case ValueKind::Map: {
        const QVariantMap map = *foundation::Json::asMap(value);
        writer.startMap(quint64(map.size()));
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            writer.append(it.key());
            writeCbor(writer, it.value());
        }
        writer.endMap();
        break;
    }
    case ValueKind::List: {
        const QVariantList list = value.toList();
        writer.startArray(quint64(list.size()));
        for (const QVariant& element : list)
            writeCbor(writer, element);
        writer.endArray();
        break;
    }
    case ValueKind::String:
        writer.append(value.toString());
        break;
    case ValueKind::Bool:
        writer.append(value.toBool());
        break;
    case ValueKind::Integer:
        writer.append(qint64(value.toLongLong()));
        break;
    case ValueKind::Real:
        writer.append(value.toDouble());
        break;
    default:
        writer.appendNull();
    }
}

} // namespace

std::optional<QVariant> AttributeDescription::normalized(const QVariant& value) const
{
    const ValueKind kind = valueKind(value);
    if (kind == ValueKind::Null)
        return QVariant();
    switch (type) {
    case AttributeType::String:
        if (kind == ValueKind::String)
            return value;
        break;
    case AttributeType::Integer:
        if (kind == ValueKind::Integer)
            return QVariant(value.toLongLong());
        break;
    case AttributeType::Double:
        if (isNumber(kind))
            return QVariant(value.toDouble());
        break;
    case AttributeType::Boolean:
        if (kind == ValueKind::Bool)
            return value;
        break;
    case AttributeType::Date:
        if (kind == ValueKind::Date && value.toDateTime().isValid())
            return QVariant(
                QDateTime::fromMSecsSinceEpoch(value.toDateTime().toMSecsSinceEpoch(), Qt::UTC));
        break;
    case AttributeType::Binary:
        if (kind == ValueKind::Bytes)
            return value;
        break;
    case AttributeType::Transformable:
        if (foundation::Json::isEncodable(value))
            return value;
        break;
    }
    return std::nullopt;
}

QString AttributeDescription::sqlType() const
{
    switch (type) {
    case AttributeType::String:
        return QStringLiteral("TEXT");
    case AttributeType::Double:
        return QStringLiteral("REAL");
    case AttributeType::Integer:
    case AttributeType::Boolean:
    case AttributeType::Date:
        return QStringLiteral("INTEGER");
    case AttributeType::Binary:
    case AttributeType::Transformable:
        return QStringLiteral("BLOB");
    }
    return {};
}

QVariant AttributeDescription::toStorage(const QVariant& value) const
{
    if (valueKind(value) == ValueKind::Null)
        return {};
    switch (type) {
    case AttributeType::Boolean:
        return qlonglong(value.toBool() ? 1 : 0);
    case AttributeType::Date:
        return qlonglong(value.toDateTime().toMSecsSinceEpoch());
    case AttributeType::Transformable: {
        QByteArray bytes;
        QCborStreamWriter writer(&bytes);
        writeCbor(writer, value);
        return bytes;
    }
    default:
        return value;
    }
}

QVariant AttributeDescription::fromStorage(const QVariant& stored) const
{
    if (!stored.isValid())
        return {};
    switch (type) {
    case AttributeType::String:
        return stored.typeId() == QMetaType::QString ? stored : QVariant(stored.toString());
    case AttributeType::Integer:
        return stored.toLongLong();
    case AttributeType::Double:
        return stored.toDouble();
    case AttributeType::Boolean:
        return stored.toLongLong() != 0;
    case AttributeType::Date:
        return QDateTime::fromMSecsSinceEpoch(stored.toLongLong(), Qt::UTC);
    case AttributeType::Binary:
        return stored.toByteArray();
    case AttributeType::Transformable: {
        QCborParserError error;
        const QCborValue value = QCborValue::fromCbor(stored.toByteArray(), &error);
        if (error.error != QCborError::NoError)
            return {};
        return value.toVariant();
    }
    }
    return {};
}

bool AttributeDescription::isSortable() const
{
    return type != AttributeType::Transformable && type != AttributeType::Binary;
}

} // namespace kesvor::data
