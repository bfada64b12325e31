#include "data/SqliteStatement.h"

#include "data/SqliteDatabase.h"
#include "data/ValueKind.h"

#include <sqlite3.h>

namespace kesvor::data {

namespace {

// Text as UTF-8 into bytes, reusing its buffer: most bound text is ASCII.
void encodeUtf8(QStringView text, QByteArray& bytes)
{
    bytes.resize(text.size());
    char* out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            bytes = text.toUtf8();
            return;
        }
        out[i] = char(c);
    }
}

} // namespace

SqliteStatement::SqliteStatement(sqlite3* database, sqlite3_stmt* statement)
    : m_database(database)
    , m_statement(statement)
    , m_boundBytes(size_t(std::max(0, sqlite3_bind_parameter_count(statement))))
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_database(std::exchange(other.m_database, nullptr))
    , m_statement(std::exchange(other.m_statement, nullptr))
    , m_boundBytes(std::move(other.m_boundBytes))
{
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_database = std::exchange(other.m_database, nullptr);
        m_statement = std::exchange(other.m_statement, nullptr);
        m_boundBytes = std::move(other.m_boundBytes);
    }
    return *this;
}

bool SqliteStatement::bind(int index, const QVariant& value)
{
    switch (valueKind(value)) {
    case ValueKind::Null:
        return bindNull(index);
    case ValueKind::Bool:
    case ValueKind::Integer:
        return bindInt64(index, value.toLongLong());
    case ValueKind::Real:
        return bindDouble(index, value.toDouble());
    case ValueKind::String: // a QString, as are the bytes below a QByteArray
        return bindText(index, *static_cast<const QString*>(value.constData()));
    case ValueKind::Bytes:
        return bindBlob(index, *static_cast<const QByteArray*>(value.constData()));
    default:
        return false;
    }
}

bool SqliteStatement::bindInt64(int index, qint64 value)
{
    return sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK;
}

bool SqliteStatement::bindDouble(int index, double value)
{
    return sqlite3_bind_double(m_statement, index, value) == SQLITE_OK;
}

bool SqliteStatement::bindBlob(int index, const QByteArray& value)
{
    QByteArray* bytes = boundBytes(index);
    if (!bytes)
        return false;
    *bytes = value;
    return sqlite3_bind_blob64(m_statement, index, bytes->constData(),
                               sqlite3_uint64(bytes->size()), SQLITE_STATIC) == SQLITE_OK;
}

bool SqliteStatement::bindText(int index, const QString& value)
{
    QByteArray* utf8 = boundBytes(index);
    if (!utf8)
        return false;
    encodeUtf8(value, *utf8);
    // constData() is never null, so empty text stays text rather than NULL.
    return sqlite3_bind_text64(m_statement, index, utf8->constData(), sqlite3_uint64(utf8->size()),
                               SQLITE_STATIC, SQLITE_UTF8) == SQLITE_OK;
}

QByteArray* SqliteStatement::boundBytes(int index)
{
    if (index < 1 || size_t(index) > m_boundBytes.size())
        return nullptr;
    return &m_boundBytes[size_t(index) - 1];
}

bool SqliteStatement::bindNull(int index)
{
    return sqlite3_bind_null(m_statement, index) == SQLITE_OK;
}

SqliteStatement::Step SqliteStatement::step()
{
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return Step::Row;
    case SQLITE_DONE:
        return Step::Done;
    default:
        return Step::Error;
    }
}

bool SqliteStatement::execute()
{
    Step result;
    while ((result = step()) == Step::Row) {
    }
    return result == Step::Done;
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

QVariant SqliteStatement::column(int index) const
{
    switch (sqlite3_column_type(m_statement, index)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(m_statement, index));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, index);
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, index));
        return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, index));
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(m_statement, index));
        return QByteArray(data, sqlite3_column_bytes(m_statement, index));
    }
    default:
        return {};
    }
}

qint64 SqliteStatement::columnInt64(int index) const
{
    return sqlite3_column_int64(m_statement, index);
}

bool SqliteStatement::columnIsNull(int index) const
{
    return sqlite3_column_type(m_statement, index) == SQLITE_NULL;
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

foundation::Error SqliteStatement::lastError(const QString& context) const
{
    return SqliteDatabase::errorOf(m_database, context);
}

} // namespace kesvor::data
