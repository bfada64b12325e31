#pragma once

#include <QtCore/QStringView>
#include <QtCore/QVariant>
#include <QtCore/QVariantList>

#include <optional>

namespace kesvor::foundation {

/// Reads JSON text straight into values, without QJsonValues in between:
/// objects become QVariantMap, arrays QVariantList, whole numbers that fit
/// qlonglong qlonglong, other numbers double, null a QVariant holding
/// std::nullptr_t. It accepts and refuses the texts QJsonDocument::fromJson
/// does, its leniencies included (other escaped ASCII characters stand for themselves,
/// "1." and ".5" are numbers), and nests at most 1024 levels deep.
class JsonReader {
public:
    /// The value of a document whose top level is an object or an array.
    static std::optional<QVariant> read(QStringView text);

    /// The elements of a document whose top level is an array.
    static std::optional<QVariantList> readArray(QStringView text);
};

} // namespace kesvor::foundation
