#include "data/MappingModel.h"

#include "data/DataError.h"

#include "foundation/Json.h"

#include <QtCore/QFile>

namespace kesvor::data {

const AttributeMapping* EntityMapping::mappingFor(const QString& destination) const
{
    for (const AttributeMapping& mapping : attributeMappings)
        if (mapping.destination == destination)
            return &mapping;
    return nullptr;
}

std::optional<MappingModel> MappingModel::fromJson(const QByteArray& json, foundation::Error* error)
{
    const auto decoded = foundation::Json::decode(json, error);
    const auto map = decoded ? foundation::Json::asMap(*decoded) : std::nullopt;
    if (!map) {
        DataError::set(error, DataError::InvalidModel,
                       QStringLiteral("a mapping must be a JSON object"));
        return std::nullopt;
    }
    MappingModel model;
    model.sourceVersion = map->value(QStringLiteral("sourceVersion")).toString();
    model.destinationVersion = map->value(QStringLiteral("destinationVersion")).toString();
    for (const QVariant& entry : map->value(QStringLiteral("entityMappings")).toList()) {
        const QVariantMap entity = entry.toMap();
        EntityMapping mapping{entity.value(QStringLiteral("sourceEntity")).toString(),
                              entity.value(QStringLiteral("destinationEntity")).toString(),
                              {}};
        for (const QVariant& attributeEntry :
             entity.value(QStringLiteral("attributeMappings")).toList()) {
            const QVariantMap attribute = attributeEntry.toMap();
            const bool constant = attribute.contains(QStringLiteral("value"));
            mapping.attributeMappings << AttributeMapping{
                attribute.value(QStringLiteral("destination")).toString(),
                constant ? QString() : attribute.value(QStringLiteral("source")).toString(),
                attribute.value(constant ? QStringLiteral("value") : QStringLiteral("default"))};
        }
        model.entityMappings << mapping;
    }
    return model;
}

std::optional<MappingModel> MappingModel::fromBundles(const QList<Bundle>& bundles,
                                                      const ManagedObjectModel& source,
                                                      const ManagedObjectModel& destination)
{
    for (const Bundle& bundle : bundles) {
        for (const QString& path : bundle.pathsForResources(QStringLiteral("mapping.json"))) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            auto mapping = fromJson(file.readAll());
            if (mapping && mapping->sourceVersion == source.versionIdentifier() &&
                mapping->destinationVersion == destination.versionIdentifier())
                return mapping;
        }
    }
    return std::nullopt;
}

MappingModel MappingModel::inferred(const ManagedObjectModel& source,
                                    const ManagedObjectModel& destination)
{
    MappingModel model{source.versionIdentifier(), destination.versionIdentifier(), {}};
    for (const auto& entity : destination.entities())
        if (source.entity(entity->name()))
            model.entityMappings << EntityMapping{entity->name(), entity->name(), {}};
    return model;
}

bool MappingModel::validate(const ManagedObjectModel& source, const ManagedObjectModel& destination,
                            foundation::Error* error) const
{
    auto fail = [error](const QString& problem) {
        DataError::set(error, DataError::MigrationFailed, problem);
        return false;
    };
    for (const EntityMapping& mapping : entityMappings) {
        const auto from = source.entity(mapping.sourceEntity);
        const auto to = destination.entity(mapping.destinationEntity);
        if (!from || !to)
            return fail(QStringLiteral("mapping of unknown entity %1 -> %2")
                            .arg(mapping.sourceEntity, mapping.destinationEntity));
        for (const AttributeMapping& attribute : mapping.attributeMappings) {
            const AttributeDescription* target = to->attribute(attribute.destination);
            if (!target)
                return fail(
                    QStringLiteral("mapping to unknown attribute %1").arg(attribute.destination));
            if (!attribute.source.isEmpty() && !from->attribute(attribute.source))
                return fail(
                    QStringLiteral("mapping from unknown attribute %1").arg(attribute.source));
            if (!target->normalized(attribute.defaultValue))
                return fail(QStringLiteral("the value for %1 has the wrong type")
                                .arg(attribute.destination));
        }
    }
    return true;
}

} // namespace kesvor::data
