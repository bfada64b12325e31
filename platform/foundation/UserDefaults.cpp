#include "foundation/UserDefaults.h"

#include "foundation/DebugLog.h"
#include "foundation/Json.h"

#include <QtCore/QDir>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSettings>
#include <QtCore/QStandardPaths>

#include <mutex>

namespace kesvor::foundation {

namespace {

// The suite file is one JSON object: JSON keeps the value types exactly,
// which the INI format does not for top-level booleans and numbers.
bool readJsonSuite(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray text = device.readAll();
    if (text.trimmed().isEmpty())
        return true;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        map.insert(it.key(), Json::fromJsonValue(it.value()));
    return true;
}

bool writeJsonSuite(QIODevice& device, const QSettings::SettingsMap& map)
{
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), Json::toJsonValue(it.value()));
    const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Indented);
    return device.write(text) == text.size();
}

QSettings::Format jsonFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("json"), readJsonSuite, writeJsonSuite);
    return format;
}

} // namespace

UserDefaults::UserDefaults(const QString& suiteName, const QString& directory)
    : m_suiteName(suiteName)
{
    const QString dir = directory.isEmpty() ? defaultDirectory() : directory;
    QDir().mkpath(dir);
    m_settings = std::make_unique<QSettings>(
        QDir(dir).filePath(suiteName + QStringLiteral(".json")), jsonFormat());
    m_settings->setFallbacksEnabled(false);
    if (m_settings->status() != QSettings::NoError)
        KESVOR_DEBUG_LOG << "defaults suite" << suiteName << "could not be read; starting empty";
}

UserDefaults::~UserDefaults() = default;

QString UserDefaults::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString UserDefaults::filePath() const
{
    const std::lock_guard lock(m_mutex);
    return m_settings->fileName();
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    const std::lock_guard lock(m_mutex);
    return m_settings->value(key);
}

bool UserDefaults::setObject(const QVariant& value, const QString& key)
{
    if (!value.isValid() || !Json::isEncodable(value)) {
        KESVOR_DEBUG_LOG << "defaults: refusing a value that is not JSON-typed for key" << key;
        return false;
    }
    const std::lock_guard lock(m_mutex);
    m_settings->setValue(key, value);
    return true;
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    const std::lock_guard lock(m_mutex);
    m_settings->remove(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    // Numbers and the usual spellings count too, as a hand-edited file may hold them.
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString: {
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("true") || text == QLatin1String("yes") ||
               text == QLatin1String("1");
    }
    default:
        return Json::isEncodable(value) && value.canConvert<double>() &&
               value.typeId() != QMetaType::QVariantMap &&
               value.typeId() != QMetaType::QVariantList && value.toDouble() != 0.0;
    }
}

void UserDefaults::setBool(bool value, const QString& key)
{
    setObject(value, key);
}

bool UserDefaults::synchronize()
{
    const std::lock_guard lock(m_mutex);
    m_settings->sync();
    const bool ok = m_settings->status() == QSettings::NoError;
    if (!ok)
        KESVOR_DEBUG_LOG << "defaults suite" << m_suiteName << "could not be written";
    return ok;
}

} // namespace kesvor::foundation
