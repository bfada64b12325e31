#include "data/SqliteDatabase.h"

#include <sqlite3.h>

namespace kesvor::data {

SqliteDatabase::SqliteDatabase(sqlite3* handle, QString path)
    : m_handle(handle)
    , m_path(std::move(path))
{
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const QString& path, OpenMode mode,
                                                     foundation::Error* error, int busyTimeoutMs)
{
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    switch (mode) {
    case OpenMode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case OpenMode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case OpenMode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    sqlite3* handle = nullptr;
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &handle, flags, nullptr);
    if (result != SQLITE_OK) {
        if (error) {
            *error = handle ? errorOf(handle, QStringLiteral("open ") + path)
                            : foundation::Error{QString::fromLatin1(errorDomain), result,
                                                QStringLiteral("cannot open ") + path};
        }
        sqlite3_close_v2(handle);
        return nullptr;
    }
    sqlite3_extended_result_codes(handle, 1);
    sqlite3_busy_timeout(handle, busyTimeoutMs);
    return std::unique_ptr<SqliteDatabase>(new SqliteDatabase(handle, path));
}

SqliteDatabase::~SqliteDatabase()
{
    m_statements.clear(); // statements are finalized before the connection closes
    sqlite3_close_v2(m_handle);
}

void SqliteDatabase::setWalCommitHandler(std::function<void(int walPages)> handler)
{
    m_walCommitHandler = std::move(handler);
    auto callback = [](void* self, sqlite3*, const char*, int pages) {
        static_cast<SqliteDatabase*>(self)->m_walCommitHandler(pages);
        return SQLITE_OK;
    };
    sqlite3_wal_hook(m_handle, m_walCommitHandler ? +callback : nullptr, this);
}

bool SqliteDatabase::exec(const QString& sql, foundation::Error* error)
{
    if (sqlite3_exec(m_handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    if (error)
        *error = lastError(sql);
    return false;
}

std::optional<SqliteStatement> SqliteDatabase::prepare(const QString& sql, foundation::Error* error)
{
    sqlite3_stmt* statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_handle, utf8.constData(), int(utf8.size()), &statement, nullptr) !=
        SQLITE_OK) {
        if (error)
            *error = lastError(sql);
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    return SqliteStatement(m_handle, statement);
}

SqliteStatement* SqliteDatabase::cachedStatement(const QString& sql, foundation::Error* error)
{
    auto found = m_statements.constFind(sql);
    if (found != m_statements.cend()) {
        (*found)->reset();
        return found->get();
    }
    auto statement = prepare(sql, error);
    if (!statement)
        return nullptr;
    auto shared = std::make_shared<SqliteStatement>(std::move(*statement));
    m_statements.insert(sql, shared);
    return shared.get();
}

void SqliteDatabase::resetStatements()
{
    for (const auto& statement : std::as_const(m_statements))
        statement->reset();
}

std::optional<QVariant> SqliteDatabase::queryValue(const QString& sql, foundation::Error* error)
{
    auto statement = prepare(sql, error);
    if (!statement)
        return std::nullopt;
    switch (statement->step()) {
    case SqliteStatement::Step::Row:
        return statement->column(0);
    case SqliteStatement::Step::Done:
        return QVariant();
    case SqliteStatement::Step::Error:
        break;
    }
    if (error)
        *error = lastError(sql);
    return std::nullopt;
}

bool SqliteDatabase::inTransaction() const
{
    return sqlite3_get_autocommit(m_handle) == 0;
}

qint64 SqliteDatabase::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_handle);
}

int SqliteDatabase::changes() const
{
    return sqlite3_changes(m_handle);
}

foundation::Error SqliteDatabase::lastError(const QString& context) const
{
    return errorOf(m_handle, context);
}

foundation::Error SqliteDatabase::errorOf(sqlite3* handle, const QString& context)
{
    const int code = sqlite3_extended_errcode(handle);
    QString description = QString::fromUtf8(sqlite3_errmsg(handle));
    if (!context.isEmpty())
        description += QStringLiteral(" (") + context + u')';
    return {QString::fromLatin1(errorDomain), code, description};
}

bool SqliteDatabase::isCorruption(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& database)
    : m_database(database)
{
}

SqliteTransaction::~SqliteTransaction()
{
    rollback();
}

bool SqliteTransaction::begin(Kind kind, foundation::Error* error)
{
    m_open = m_database.exec(kind == Kind::Immediate ? QStringLiteral("BEGIN IMMEDIATE")
                                                     : QStringLiteral("BEGIN"),
                             error);
    return m_open;
}

bool SqliteTransaction::commit(foundation::Error* error)
{
    if (!m_open)
        return false;
    if (!m_database.exec(QStringLiteral("COMMIT"), error)) {
        rollback();
        return false;
    }
    m_open = false;
    return true;
}

void SqliteTransaction::rollback()
{
    if (m_open && m_database.inTransaction())
        m_database.exec(QStringLiteral("ROLLBACK"));
    m_open = false;
}

} // namespace kesvor::data
