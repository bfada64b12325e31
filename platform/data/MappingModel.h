#pragma once

#include "data/Bundle.h"
#include "data/ManagedObjectModel.h"

#include "foundation/Error.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <optional>

namespace kesvor::data {

/// How one destination attribute is filled: from a source attribute (with
/// defaultValue when that has no value), or with a constant when source is
/// empty.
struct AttributeMapping {
    QString destination;
    QString source;
    QVariant defaultValue;
};

/// Rows of one source entity become rows of one destination entity, keeping
/// their primary keys. Destination attributes without a mapping take the
/// same-named source attribute, or no value.
struct EntityMapping {
    QString sourceEntity;
    QString destinationEntity;
    QList<AttributeMapping> attributeMappings;

    const AttributeMapping* mappingFor(const QString& destination) const;
};

/// The way from one model version to another, written as JSON:
///
///     { "sourceVersion": "shop_v1", "destinationVersion": "shop_v2",
///       "entityMappings": [ { "sourceEntity": "Order", "destinationEntity": "Order",
///           "attributeMappings": [ { "destination": "total", "source": "sum", "default": 0 },
///                                  { "destination": "currency", "value": "EUR" } ] } ] }
///
/// Mapping files in a bundle end in ".mapping.json".
class MappingModel {
public:
    QString sourceVersion;
    QString destinationVersion;
    QList<EntityMapping> entityMappings;

    static std::optional<MappingModel> fromJson(const QByteArray& json,
                                                foundation::Error* error = nullptr);

    /// The mapping in the bundles from source to destination (matched by
    /// their version identifiers), or nothing.
    static std::optional<MappingModel> fromBundles(const QList<Bundle>& bundles,
                                                   const ManagedObjectModel& source,
                                                   const ManagedObjectModel& destination);

    /// Same-named entities and attributes carried over; everything new starts
    /// without a value.
    static MappingModel inferred(const ManagedObjectModel& source,
                                 const ManagedObjectModel& destination);

    /// Checks that every name exists and every constant fits its attribute.
    bool validate(const ManagedObjectModel& source, const ManagedObjectModel& destination,
                  foundation::Error* error = nullptr) const;
};

} // namespace kesvor::data
