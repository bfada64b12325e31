#pragma once

#include <QtCore/QString>
#include <QtCore/QVariant>

#include <memory>
#include <mutex>

class QSettings;

namespace kesvor::foundation {

/// A named suite of persisted key-value defaults. Values are JSON-typed
/// (strings, numbers, booleans, null, lists and string-keyed maps of them) and
/// read back with the types they were written with. The suite lives in
/// "<directory>/<suiteName>.json"; writes are kept in memory until
/// synchronize() (or destruction) flushes them atomically to disk.
/// Every member is safe to call from any thread.
class UserDefaults {
public:
    /// Opens the suite in directory, or in defaultDirectory() when it is empty.
    /// A missing file is an empty suite; an unreadable one is reported through
    /// the debug log and starts empty.
    explicit UserDefaults(const QString& suiteName, const QString& directory = {});
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    /// The per-user configuration location.
    static QString defaultDirectory();

    QString suiteName() const { return m_suiteName; }
    QString filePath() const;

    /// The stored value, or an invalid QVariant when the key is absent.
    QVariant objectForKey(const QString& key) const;
    /// Stores value under key; a value that is not JSON-typed is refused
    /// (false, nothing changes).
    bool setObject(const QVariant& value, const QString& key);
    void removeObjectForKey(const QString& key);

    /// A stored boolean (a non-zero number or "true"/"yes"/"1" also reads
    /// as true), or false when the key is absent or holds anything else.
    bool boolForKey(const QString& key) const;
    void setBool(bool value, const QString& key);

    /// Writes pending changes to disk and picks up changes other processes
    /// made. Returns false when the file could not be written.
    bool synchronize();

private:
    QString m_suiteName;
    mutable std::mutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace kesvor::foundation
