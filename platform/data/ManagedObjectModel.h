#pragma once

#include "data/Bundle.h"
#include "data/EntityDescription.h"
#include "data/StoreMetadata.h"

#include "foundation/Error.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>

#include <memory>

namespace kesvor::data {

/// The entities a store holds, loaded from a JSON model description:
///
///     { "versionIdentifier": "shop_v2",
///       "entities": [ { "name": "Order", "versionHashModifier": "",
///                       "attributes": [ { "name": "total", "type": "double" } ],
///                       "indexes": [ { "name": "byTotal", "properties": ["total"] } ] } ] }
///
/// A versioned model is a directory "<name>.momd" holding one such file per
/// version ("<version>.json") and "VersionInfo.json" naming the current one:
/// { "currentVersion": "shop_v2" }.
class ManagedObjectModel {
public:
    using Ptr = std::shared_ptr<const ManagedObjectModel>;

    ManagedObjectModel(QString versionIdentifier,
                       QList<std::shared_ptr<const EntityDescription>> entities);

    static Ptr fromJson(const QByteArray& json, foundation::Error* error = nullptr);
    /// A model description file, or the current version of a ".momd" directory.
    static Ptr fromFile(const QString& path, foundation::Error* error = nullptr);

    /// Every model version found in the bundles' ".momd" directories.
    static QList<Ptr> versionsInBundles(const QList<Bundle>& bundles);
    /// The model version in the bundles that wrote a store with this metadata.
    static Ptr mergedModelFromBundles(const QList<Bundle>& bundles, const StoreMetadata& metadata);

    const QString& versionIdentifier() const { return m_versionIdentifier; }
    const QList<std::shared_ptr<const EntityDescription>>& entities() const { return m_entities; }
    std::shared_ptr<const EntityDescription> entity(const QString& name) const;

    /// Identifies the stored shape of every entity together.
    QByteArray versionHash() const { return m_versionHash; }

    /// The metadata a store written with this model records.
    StoreMetadata metadata() const;
    bool isConfigurationCompatibleWithStoreMetadata(const StoreMetadata& metadata) const;

private:
    QString m_versionIdentifier;
    QList<std::shared_ptr<const EntityDescription>> m_entities;
    QByteArray m_versionHash;
};

} // namespace kesvor::data
