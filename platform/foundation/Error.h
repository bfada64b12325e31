#pragma once

#include <QtCore/QString>

namespace kesvor::foundation {

/// An error as it travels through completion handlers: where it came from,
/// a code meaningful within that domain, and a readable description.
struct Error {
    QString domain;
    int code = 0;
    QString description;

    friend bool operator==(const Error&, const Error&) = default;
};

} // namespace kesvor::foundation
