#include "foundation/Json.h"

#include "foundation/JsonWriter.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QStringList>

#include <cmath>

namespace kesvor::foundation {

namespace {

void setError(Error* error, int code, const QString& description)
{
    if (error)
        *error = Error{QString::fromLatin1(Json::errorDomain), code, description};
}

bool isNumber(int typeId)
{
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

bool Json::isEncodable(const QVariant& value)
{
    const int type = value.typeId();
    if (!value.isValid() || type == QMetaType::Nullptr || type == QMetaType::Bool ||
        type == QMetaType::QString || type == QMetaType::QStringList)
        return true;
    if (isNumber(type))
        return std::isfinite(value.toDouble());
    // Containers are read where they are: copies would only add reference counting.
    if (type == QMetaType::QVariantList) {
        const auto& list = *static_cast<const QVariantList*>(value.constData());
        return std::all_of(list.cbegin(), list.cend(), isEncodable);
    }
    if (type == QMetaType::QVariantMap) {
        const auto& map = *static_cast<const QVariantMap*>(value.constData());
        return std::all_of(map.cbegin(), map.cend(), isEncodable);
    }
    if (type == QMetaType::QVariantHash) {
        const auto& hash = *static_cast<const QVariantHash*>(value.constData());
        return std::all_of(hash.cbegin(), hash.cend(), isEncodable);
    }
    return false;
}

std::optional<QByteArray> Json::encode(const QVariant& value, Error* error)
{
    const int type = value.typeId();
    const bool container = type == QMetaType::QVariantMap || type == QMetaType::QVariantHash ||
                           type == QMetaType::QVariantList || type == QMetaType::QStringList;
    QString text;
    if (container ? !JsonWriter::write(value, text) : !isEncodable(value)) {
        setError(error, 1, QStringLiteral("value is not JSON-encodable"));
        return std::nullopt;
    }
    if (!container) {
        setError(error, 2, QStringLiteral("top-level JSON value must be an object or an array"));
        return std::nullopt;
    }
    return text.toUtf8();
}

std::optional<QVariant> Json::decode(const QByteArray& text, Error* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        setError(error, 3,
                 QStringLiteral("invalid JSON at offset %1: %2")
                     .arg(parseError.offset)
                     .arg(parseError.errorString()));
        return std::nullopt;
    }
    if (document.isObject())
        return fromJsonValue(document.object());
    if (document.isArray())
        return fromJsonValue(document.array());
    setError(error, 2, QStringLiteral("top-level JSON value must be an object or an array"));
    return std::nullopt;
}

QVariant Json::fromJsonValue(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), fromJsonValue(it.value()));
        return map;
    }
    case QJsonValue::Array: {
        QVariantList list;
        const QJsonArray array = value.toArray();
        list.reserve(array.size());
        for (const QJsonValue& element : array)
            list.append(fromJsonValue(element));
        return list;
    }
    case QJsonValue::Null:
        return QVariant::fromValue(nullptr);
    default:
        return value.toVariant();
    }
}

QJsonValue Json::toJsonValue(const QVariant& value)
{
    const int type = value.typeId();
    if (type == QMetaType::QVariantMap || type == QMetaType::QVariantHash) {
        QJsonObject object;
        const QVariantMap map = *asMap(value);
        for (auto it = map.begin(); it != map.end(); ++it)
            object.insert(it.key(), toJsonValue(it.value()));
        return object;
    }
    if (type == QMetaType::QVariantList || type == QMetaType::QStringList) {
        QJsonArray array;
        for (const QVariant& element : value.toList())
            array.append(toJsonValue(element));
        return array;
    }
    if (!value.isValid() || type == QMetaType::Nullptr)
        return QJsonValue(QJsonValue::Null);
    return QJsonValue::fromVariant(value);
}

std::optional<QVariantMap> Json::asMap(const QVariant& value)
{
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap();
    if (value.typeId() == QMetaType::QVariantHash) {
        QVariantMap map;
        const QVariantHash hash = value.toHash();
        for (auto it = hash.begin(); it != hash.end(); ++it)
            map.insert(it.key(), it.value());
        return map;
    }
    return std::nullopt;
}

} // namespace kesvor::foundation
