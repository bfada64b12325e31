#pragma once

#include "foundation/Error.h"

namespace kesvor::data {

/// Errors of the object store itself (SQLite's own errors carry the
/// SqliteDatabase::errorDomain instead).
struct DataError {
    static constexpr auto domain = "kesvor.data";

    enum Code {
        InvalidModel = 1,
        UnknownEntity,
        UnknownAttribute,
        InvalidValue,
        InvalidPredicate,
        NoPersistentStore,
        IncompatibleStore,
        NotAStore,
        MigrationFailed,
        FileOperationFailed,
        StoreBusy,
    };

    static foundation::Error make(Code code, const QString& description)
    {
        return {QString::fromLatin1(domain), code, description};
    }

    static void set(foundation::Error* error, Code code, const QString& description)
    {
        if (error)
            *error = make(code, description);
    }
};

} // namespace kesvor::data
