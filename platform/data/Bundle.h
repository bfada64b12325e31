#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

namespace kesvor::data {

/// A directory of resources: the SDK's compiled-in resource bundle
/// (":/<identifier>") or any directory on disk.
class Bundle {
public:
    explicit Bundle(QString path);

    /// The compiled-in bundle with this identifier, or nothing.
    static std::optional<Bundle> withIdentifier(const QString& identifier);

    QString path() const { return m_path; }

    /// "<path>/<name>.<extension>" when it exists (file or directory).
    std::optional<QString> urlForResource(const QString& name, const QString& extension) const;

    /// Every entry (file or directory) whose name ends in ".<extension>",
    /// anywhere in the bundle, sorted.
    QStringList pathsForResources(const QString& extension) const;

private:
    QString m_path;
};

} // namespace kesvor::data
