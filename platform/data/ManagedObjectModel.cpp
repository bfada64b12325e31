#include "data/ManagedObjectModel.h"

#include "data/DataError.h"

#include "foundation/Json.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>

namespace kesvor::data {

namespace {

constexpr auto versionInfoFile = "VersionInfo.json";

std::optional<QByteArray> readFile(const QString& path, foundation::Error* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DataError::set(error, DataError::InvalidModel,
                       QStringLiteral("cannot read ") + path + QStringLiteral(": ") +
                           file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

bool fail(foundation::Error* error, const QString& description)
{
    DataError::set(error, DataError::InvalidModel, description);
    return false;
}

std::optional<AttributeDescription> parseAttribute(const QVariant& value, foundation::Error* error)
{
    const auto map = foundation::Json::asMap(value);
    if (!map) {
        fail(error, QStringLiteral("an attribute is not an object"));
        return std::nullopt;
    }
    const QString name = map->value(QStringLiteral("name")).toString();
    const auto type =
        foundation::fromRawValue<AttributeType>(map->value(QStringLiteral("type")).toString());
    if (!EntityDescription::isIdentifier(name) ||
        name == QLatin1String(EntityDescription::primaryKeyColumn) || !type) {
        fail(error, QStringLiteral("invalid attribute \"%1\"").arg(name));
        return std::nullopt;
    }
    return AttributeDescription{name, *type};
}

std::shared_ptr<const EntityDescription> parseEntity(const QVariant& value,
                                                     foundation::Error* error)
{
    const auto map = foundation::Json::asMap(value);
    const QString name = map ? map->value(QStringLiteral("name")).toString() : QString();
    if (!map || !EntityDescription::isIdentifier(name)) {
        fail(error, QStringLiteral("invalid entity \"%1\"").arg(name));
        return nullptr;
    }
    QList<AttributeDescription> attributes;
    QSet<QString> names;
    for (const QVariant& entry : map->value(QStringLiteral("attributes")).toList()) {
        const auto attribute = parseAttribute(entry, error);
        if (!attribute)
            return nullptr;
        if (names.contains(attribute->name)) {
            fail(error, QStringLiteral("attribute \"%1\" of \"%2\" appears twice")
                            .arg(attribute->name, name));
            return nullptr;
        }
        names.insert(attribute->name);
        attributes << *attribute;
    }
    QList<IndexDescription> indexes;
    for (const QVariant& entry : map->value(QStringLiteral("indexes")).toList()) {
        const QVariantMap index = entry.toMap();
        IndexDescription description{index.value(QStringLiteral("name")).toString(),
                                     index.value(QStringLiteral("properties")).toStringList()};
        const bool known =
            std::all_of(description.properties.cbegin(), description.properties.cend(),
                        [&](const QString& p) { return names.contains(p); });
        if (!EntityDescription::isIdentifier(description.name) ||
            description.properties.isEmpty() || !known) {
            fail(error,
                 QStringLiteral("invalid index \"%1\" of \"%2\"").arg(description.name, name));
            return nullptr;
        }
        indexes << description;
    }
    return std::make_shared<const EntityDescription>(
        name, attributes, indexes, map->value(QStringLiteral("versionHashModifier")).toString());
}

} // namespace

ManagedObjectModel::ManagedObjectModel(QString versionIdentifier,
                                       QList<std::shared_ptr<const EntityDescription>> entities)
    : m_versionIdentifier(std::move(versionIdentifier))
    , m_entities(std::move(entities))
{
    QStringList hashes;
    for (const auto& entity : m_entities)
        hashes << entity->name() + u':' + QString::fromLatin1(entity->versionHash());
    hashes.sort();
    m_versionHash =
        QCryptographicHash::hash(hashes.join(u';').toUtf8(), QCryptographicHash::Sha256).toHex();
}

ManagedObjectModel::Ptr ManagedObjectModel::fromJson(const QByteArray& json,
                                                     foundation::Error* error)
{
    const auto decoded = foundation::Json::decode(json, error);
    const auto map = decoded ? foundation::Json::asMap(*decoded) : std::nullopt;
    if (!map) {
        if (decoded)
            fail(error, QStringLiteral("a model description must be a JSON object"));
        return nullptr;
    }
    QList<std::shared_ptr<const EntityDescription>> entities;
    QSet<QString> names;
    for (const QVariant& entry : map->value(QStringLiteral("entities")).toList()) {
        auto entity = parseEntity(entry, error);
        if (!entity)
            return nullptr;
        if (names.contains(entity->name())) {
            fail(error, QStringLiteral("entity \"%1\" appears twice").arg(entity->name()));
            return nullptr;
        }
        names.insert(entity->name());
        entities << entity;
    }
    return std::make_shared<const ManagedObjectModel>(
        map->value(QStringLiteral("versionIdentifier")).toString(), entities);
}

ManagedObjectModel::Ptr ManagedObjectModel::fromFile(const QString& path, foundation::Error* error)
{
    QString file = path;
    if (QFileInfo(path).isDir()) {
        const auto info = readFile(path + u'/' + QLatin1String(versionInfoFile), error);
        if (!info)
            return nullptr;
        const auto decoded = foundation::Json::decode(*info, error);
        const QString current =
            decoded ? decoded->toMap().value(QStringLiteral("currentVersion")).toString()
                    : QString();
        if (current.isEmpty()) {
            fail(error, QStringLiteral("no current version in ") + path);
            return nullptr;
        }
        file = path + u'/' + current + QStringLiteral(".json");
    }
    const auto json = readFile(file, error);
    return json ? fromJson(*json, error) : nullptr;
}

QList<ManagedObjectModel::Ptr> ManagedObjectModel::versionsInBundles(const QList<Bundle>& bundles)
{
    QList<Ptr> versions;
    for (const Bundle& bundle : bundles) {
        for (const QString& directory : bundle.pathsForResources(QStringLiteral("momd"))) {
            const QStringList files =
                QDir(directory).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
            for (const QString& name : files) {
                if (name == QLatin1String(versionInfoFile))
                    continue;
                if (auto model = fromFile(directory + u'/' + name))
                    versions << model;
            }
        }
    }
    return versions;
}

ManagedObjectModel::Ptr ManagedObjectModel::mergedModelFromBundles(const QList<Bundle>& bundles,
                                                                   const StoreMetadata& metadata)
{
    for (const Ptr& model : versionsInBundles(bundles))
        if (model->isConfigurationCompatibleWithStoreMetadata(metadata))
            return model;
    return nullptr;
}

std::shared_ptr<const EntityDescription> ManagedObjectModel::entity(const QString& name) const
{
    for (const auto& entity : m_entities)
        if (entity->name() == name)
            return entity;
    return nullptr;
}

StoreMetadata ManagedObjectModel::metadata() const
{
    QVariantMap entityHashes;
    for (const auto& entity : m_entities)
        entityHashes.insert(entity->name(), QString::fromLatin1(entity->versionHash()));
    return {{StoreMetadataKey::versionHash, QString::fromLatin1(m_versionHash)},
            {StoreMetadataKey::versionIdentifier, m_versionIdentifier},
            {StoreMetadataKey::entityHashes, entityHashes},
            {StoreMetadataKey::storeType, QStringLiteral("SQLite")}};
}

bool ManagedObjectModel::isConfigurationCompatibleWithStoreMetadata(
    const StoreMetadata& metadata) const
{
    return metadata.value(StoreMetadataKey::versionHash).toString() == QLatin1String(m_versionHash);
}

} // namespace kesvor::data
