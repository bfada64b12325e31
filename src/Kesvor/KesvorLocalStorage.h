#pragma once

#include "foundation/UserDefaults.h"

#include <QtCore/QVariantMap>

#include <optional>

namespace kesvor {

/// The SDK's persisted key-value store: its own defaults suite, apart from the
/// host application's defaults.
class KesvorLocalStorage {
public:
    /// The customer record (a dictionary) as the service returned it, plus
    /// the "roomId" learned from the socket session.
    static constexpr auto userKey = "user";
    /// True once a sign-up has succeeded; never reset.
    static constexpr auto isSignUpDoneKey = "isSignUpDone";

    /// Opened on first use, in KESVOR_DATA_DIR when that is set.
    static foundation::UserDefaults& standard();

    /// The stored customer record, or nothing when it is absent or not a dictionary.
    static std::optional<QVariantMap> storedUser();
    /// Stores the record under "user" (no flush).
    static void storeUser(const QVariantMap& user);
    /// Removes "user" and flushes.
    static void removeStoredUser();
};

} // namespace kesvor
