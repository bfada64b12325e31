#pragma once

#include <QtCore/QString>
#include <QtCore/QStringView>
#include <QtCore/QVariant>

namespace kesvor::foundation {

/// Writes values straight from QVariant to compact JSON text, without building
/// QJsonValues first. The text is the one QJsonDocument gives for the same
/// values: keys in map order, lone surrogates and control characters escaped,
/// whole numbers up to 2^53 without a fraction, other numbers in their
/// shortest form, integers beyond qlonglong as doubles.
class JsonWriter {
public:
    /// Appends the JSON text of value to out. False when the value is not
    /// JSON-encodable (see Json::isEncodable); out is then partly written.
    static bool write(const QVariant& value, QString& out);

    /// Appends text as a JSON string, quoted and escaped.
    static void writeString(QStringView text, QString& out);
};

} // namespace kesvor::foundation
