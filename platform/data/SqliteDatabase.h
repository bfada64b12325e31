#pragma once

#include "data/SqliteStatement.h"

#include "foundation/Error.h"

#include <QtCore/QHash>
#include <QtCore/QString>

#include <functional>
#include <memory>
#include <optional>

struct sqlite3;

namespace kesvor::data {

/// One SQLite connection, closed on destruction. Used by one thread at a time.
class SqliteDatabase {
public:
    enum class OpenMode { ReadOnly, ReadWrite, ReadWriteCreate };

    /// Errors carry this domain and SQLite's extended result code.
    static constexpr auto errorDomain = "kesvor.sqlite";
    /// How long a connection waits for a lock another one holds.
    static constexpr int defaultBusyTimeoutMs = 30000;

    /// Opens the file at path (extended result codes on, the busy handler
    /// waiting up to busyTimeoutMs). Nothing on failure.
    static std::unique_ptr<SqliteDatabase> open(const QString& path, OpenMode mode,
                                                foundation::Error* error = nullptr,
                                                int busyTimeoutMs = defaultBusyTimeoutMs);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    QString path() const { return m_path; }
    sqlite3* handle() const { return m_handle; }

    /// Runs one or more statements that return no rows of interest.
    bool exec(const QString& sql, foundation::Error* error = nullptr);

    std::optional<SqliteStatement> prepare(const QString& sql, foundation::Error* error = nullptr);

    /// A prepared statement kept for reuse by this connection, reset and with
    /// its bindings cleared. Valid until the connection closes.
    SqliteStatement* cachedStatement(const QString& sql, foundation::Error* error = nullptr);

    /// Resets every cached statement, ending the reads they were part of.
    void resetStatements();

    /// The first column of the first row, an invalid QVariant when there is
    /// no row, nothing on error.
    std::optional<QVariant> queryValue(const QString& sql, foundation::Error* error = nullptr);

    /// True between BEGIN and COMMIT/ROLLBACK (also after SQLite rolled back
    /// on its own, which it may do after a full disk or I/O error).
    bool inTransaction() const;
    qint64 lastInsertRowId() const;
    int changes() const;

    foundation::Error lastError(const QString& context = {}) const;
    static foundation::Error errorOf(sqlite3* handle, const QString& context);

    /// Result codes that mean the file itself is damaged or is no database.
    static bool isCorruption(int code);

    /// Called after each commit with the pages then in the write-ahead log,
    /// in place of SQLite's own checkpoint at commit.
    void setWalCommitHandler(std::function<void(int walPages)> handler);

private:
    SqliteDatabase(sqlite3* handle, QString path);

    sqlite3* m_handle = nullptr;
    QString m_path;
    QHash<QString, std::shared_ptr<SqliteStatement>> m_statements;
    std::function<void(int)> m_walCommitHandler;
};

/// Rolls back on destruction unless commit() succeeded.
class SqliteTransaction {
public:
    enum class Kind { Deferred, Immediate };

    explicit SqliteTransaction(SqliteDatabase& database);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool begin(Kind kind, foundation::Error* error = nullptr);
    bool commit(foundation::Error* error = nullptr);
    void rollback();

private:
    SqliteDatabase& m_database;
    bool m_open = false;
};

} // namespace kesvor::data
