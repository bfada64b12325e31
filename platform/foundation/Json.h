#pragma once

#include "foundation/Error.h"

#include <QtCore/QByteArray>
#include <QtCore/QJsonValue>
#include <QtCore/QVariant>

#include <optional>

namespace kesvor::foundation {

/// JSON values as the "dictionary of string keys, values of any JSON type":
/// objects are QVariantMap, arrays QVariantList, numbers qlonglong or double,
/// null a QVariant holding std::nullptr_t.
class Json {
public:
    /// True when the value consists only of JSON types (finite numbers, strings,
    /// booleans, null, lists and string-keyed maps of them).
    static bool isEncodable(const QVariant& value);

    /// Compact JSON text of an object or array, or an error naming what could
    /// not be encoded.
    static std::optional<QByteArray> encode(const QVariant& value, Error* error = nullptr);

    /// Parses JSON text whose top level is an object or an array.
    static std::optional<QVariant> decode(const QByteArray& text, Error* error = nullptr);

    static QVariant fromJsonValue(const QJsonValue& value);
    static QJsonValue toJsonValue(const QVariant& value);

    /// The value as a string-keyed map when it is one (QVariantMap or QVariantHash).
    static std::optional<QVariantMap> asMap(const QVariant& value);

    static constexpr auto errorDomain = "kesvor.json";
};

} // namespace kesvor::foundation
