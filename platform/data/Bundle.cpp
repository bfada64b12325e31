#include "data/Bundle.h"

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QFileInfo>

namespace kesvor::data {

Bundle::Bundle(QString path)
    : m_path(std::move(path))
{
}

std::optional<Bundle> Bundle::withIdentifier(const QString& identifier)
{
    if (identifier.isEmpty())
        return std::nullopt;
    const QString path = QStringLiteral(":/") + identifier;
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    return Bundle(path);
}

std::optional<QString> Bundle::urlForResource(const QString& name, const QString& extension) const
{
    const QString path = m_path + u'/' + name + u'.' + extension;
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return path;
}

QStringList Bundle::pathsForResources(const QString& extension) const
{
    QStringList found;
    const QString suffix = u'.' + extension;
    QDirIterator it(m_path, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(suffix))
            found << path;
    }
    found.sort();
    return found;
}

} // namespace kesvor::data
