#include "AttributeDescription.h"

#include "foundation/Json.h"

#include <QtCore/QCborStreamWriter>
#include <QtCore/QCborValue>
#include <QtCore/QDateTime>

namespace kesvor::data {

namespace {

bool isIntegral(int typeId)
{
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isNumber(int typeId)
{
    return isIntegral(typeId) || typeId == QMetaType::Double || typeId == QMetaType::Float;
}

bool isNull(const QVariant& value)
{
    return !value.isValid() || value.typeId() == QMetaType::Nullptr;
}

// Writes a JSON-typed value as CBOR directly, without building a QCborValue tree.
void writeCbor(QCborStreamWriter& writer, const QVariant& value)
{
    const int typeId = value.typeId();
    if (typeId == QMetaType::QVariantMap || typeId == QMetaType::QVariantHash) {
        const QVariantMap map =
            typeId == QMetaType::QVariantMap ? value.toMap() : *foundation::Json::asMap(value);
        writer.startMap(quint64(map.size()));
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            writer.append(it.key());
            writeCbor(writer, it.value());
        }
        writer.endMap();
    } else if (typeId == QMetaType::QVariantList || typeId == QMetaType::QStringList) {
        const QVariantList list = value.toList();
        writer.startArray(quint64(list.size()));
        for (const QVariant& element : list)
            writeCbor(writer, element);
        writer.endArray();
    } else if (typeId == QMetaType::QString) {
        writer.append(value.toString());
    } else if (typeId == QMetaType::Bool) {
        writer.append(value.toBool());
    } else if (isIntegral(typeId)) {
        writer.append(qint64(value.toLongLong()));
    } else if (isNumber(typeId)) {
        writer.append(value.toDouble());
    } else {
        writer.appendNull();
    }
}

} // namespace

std::optional<QVariant> AttributeDescription::normalized(const QVariant& value) const
{
    if (isNull(value))
        return QVariant();
    const int typeId = value.typeId();
    switch (type) {
    case AttributeType::String:
        if (typeId == QMetaType::QString)
            return value;
        break;
    case AttributeType::Integer:
        if (isIntegral(typeId))
            return QVariant(value.toLongLong());
        break;
    case AttributeType::Double:
        if (isNumber(typeId))
            return QVariant(value.toDouble());
        break;
    case AttributeType::Boolean:
        if (typeId == QMetaType::Bool)
            return value;
        break;
    case AttributeType::Date:
        if (typeId == QMetaType::QDateTime && value.toDateTime().isValid())
            return QVariant(
                QDateTime::fromMSecsSinceEpoch(value.toDateTime().toMSecsSinceEpoch(), Qt::UTC));
        break;
    case AttributeType::Binary:
        if (typeId == QMetaType::QByteArray)
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
    if (isNull(value))
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
