#pragma once

#include "foundation/Error.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace kesvor::data {

/// One prepared SQLite statement, finalized on destruction. Values cross the
/// boundary in their storage form: an invalid QVariant for NULL, qlonglong,
/// double, QString (TEXT) or QByteArray (BLOB).
class SqliteStatement {
public:
    enum class Step { Row, Done, Error };

    SqliteStatement(sqlite3* database, sqlite3_stmt* statement);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    /// Binds parameter index (1-based). False when the value has no storage form.
    bool bind(int index, const QVariant& value);
    bool bindInt64(int index, qint64 value);
    bool bindText(int index, const QString& value);
    bool bindNull(int index);

    Step step();
    /// Steps to completion, ignoring rows.
    bool execute();

    int columnCount() const;
    QVariant column(int index) const;
    qint64 columnInt64(int index) const;
    bool columnIsNull(int index) const;

    /// Ready to run again with new bindings.
    void reset();

    foundation::Error lastError(const QString& context = {}) const;

private:
    sqlite3* m_database = nullptr;
    sqlite3_stmt* m_statement = nullptr;
};

/// Resets a statement when the scope ends, so that a cached statement never
/// keeps its connection's read snapshot open.
class StatementScope {
public:
    explicit StatementScope(SqliteStatement* statement)
        : m_statement(statement)
    {
    }
    ~StatementScope()
    {
        if (m_statement)
            m_statement->reset();
    }
    StatementScope(const StatementScope&) = delete;
    StatementScope& operator=(const StatementScope&) = delete;

private:
    SqliteStatement* m_statement;
};

} // namespace kesvor::data
