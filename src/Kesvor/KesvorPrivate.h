#pragma once

#include "kesvor/KesvorMetaUserInfo.h"

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>

namespace kesvor {

/// The session state behind the public Kesvor class, shared by the SDK's
/// components and kept out of the installed headers: the business the token
/// verified as, the customer record, the host's customer id and metadata, and
/// the push device token. Main thread.
class KesvorPrivate {
public:
    static std::optional<QString> businessToken();
    static void setBusinessToken(const std::optional<QString>& token);
    static std::optional<QString> businessId();
    static void setBusinessId(const std::optional<QString>& businessId);
    static std::optional<QString> businessName();
    static void setBusinessName(const std::optional<QString>& businessName);
    static bool isBusinessVerified();
    static void setIsBusinessVerified(bool verified);
    /// The customer record as the service returned it at sign-up.
    static std::optional<QVariantMap> user();
    static void setUser(const std::optional<QVariantMap>& user);

    static std::optional<QString> customerId();
    /// Sets the host's customer id and applies wipeStoredCustomerIfReplacedBy().
    static void setCustomerId(const std::optional<QString>& customerId);
    static std::optional<KesvorMetaUserInfo> metaUserinfo();
    /// Sets the metadata and, from its KUserId entry, the customer id.
    static void setMetaUserinfo(const std::optional<KesvorMetaUserInfo>& metaUserinfo);

    /// The push device token as upper-case hexadecimal.
    static std::optional<QString> deviceToken();
    static void setDeviceToken(const std::optional<QString>& token);
    /// Keeps the push device token and, once a customer has signed up, sends
    /// it to the service with that customer's id; before that it waits for
    /// the next sign-up.
    static void registerDeviceToken(const QString& token);

    /// Removes the persisted customer record; the in-memory user() stays.
    static void clearStoredUser();

    /// When customerId names another customer than the one in user(), that
    /// customer's messages and persisted record are deleted, so the next
    /// sign-up starts clean. The in-memory user() stays. True when it wiped.
    static bool wipeStoredCustomerIfReplacedBy(const QString& customerId);
};

} // namespace kesvor
