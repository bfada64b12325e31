#include "data/StoreFiles.h"

#include "data/DataError.h"
#include "data/SqliteDatabase.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kesvor::data {

namespace {

bool fileError(foundation::Error* error, const QString& description)
{
    DataError::set(error, DataError::FileOperationFailed, description);
    return false;
}

bool removeFile(const QString& path, foundation::Error* error)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir() && !info.isSymLink())
        return fileError(error, QStringLiteral("%1 is a directory").arg(path));
    QFile file(path);
    if (!file.remove())
        return fileError(error,
                         QStringLiteral("cannot remove %1: %2").arg(path, file.errorString()));
    return true;
}

// rename(2) replaces an existing destination atomically.
bool renameOver(const QString& from, const QString& to, foundation::Error* error)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return fileError(error, QStringLiteral("cannot move %1 to %2: %3")
                                    .arg(from, to, QString::fromLocal8Bit(std::strerror(errno))));
    return true;
}

} // namespace

QStringList StoreFiles::sideFiles(const QString& path)
{
    return {path + QStringLiteral("-wal"), path + QStringLiteral("-shm"),
            path + QStringLiteral("-journal")};
}

bool StoreFiles::remove(const QString& path, foundation::Error* error)
{
    // Side files first: a main file without its log is a consistent older
    // store, a log without its main file is nothing.
    for (const QString& side : sideFiles(path))
        if (!removeFile(side, error))
            return false;
    return removeFile(path, error);
}

bool StoreFiles::move(const QString& path, const QString& destination, foundation::Error* error)
{
    if (!remove(destination, error))
        return false;
    const QStringList from = sideFiles(path);
    const QStringList to = sideFiles(destination);
    for (qsizetype i = 0; i < from.size(); ++i)
        if (QFileInfo::exists(from[i]) && !renameOver(from[i], to[i], error))
            return false;
    return renameOver(path, destination, error);
}

bool StoreFiles::checkpoint(const QString& path, foundation::Error* error)
{
    auto database = SqliteDatabase::open(path, SqliteDatabase::OpenMode::ReadWrite, error);
    if (!database)
        return false;
    auto statement = database->prepare(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), error);
    if (!statement)
        return false;
    if (statement->step() == SqliteStatement::Step::Error) {
        if (error)
            *error = database->lastError(QStringLiteral("checkpoint ") + path);
        return false;
    }
    if (statement->columnInt64(0) != 0)
        return fileError(error, QStringLiteral("%1 is in use; cannot checkpoint it").arg(path));
    return true;
}

bool StoreFiles::replace(const QString& target, const QString& replacement,
                         foundation::Error* error)
{
    if (!checkpoint(replacement, error))
        return false;
    if (QFileInfo::exists(target) && !checkpoint(target, error))
        return false;
    for (const QString& side : sideFiles(target))
        if (!removeFile(side, error))
            return false;
    if (!renameOver(replacement, target, error))
        return false;
    for (const QString& side : sideFiles(replacement))
        removeFile(side, nullptr);
    return true;
}

} // namespace kesvor::data
