#include "Kesvor/KesvorLocalStorage.h"

#include "Kesvor/KesvorConfiguration.h"
#include "foundation/Json.h"

namespace kesvor {

foundation::UserDefaults& KesvorLocalStorage::standard()
{
    static foundation::UserDefaults defaults(KesvorConfiguration::defaultsSuiteName(),
                                             KesvorConfiguration::dataDirectory());
    return defaults;
}

std::optional<QVariantMap> KesvorLocalStorage::storedUser()
{
    return foundation::Json::asMap(standard().objectForKey(QString::fromLatin1(userKey)));
}

void KesvorLocalStorage::storeUser(const QVariantMap& user)
{
    standard().setObject(user, QString::fromLatin1(userKey));
}

void KesvorLocalStorage::removeStoredUser()
{
    standard().removeObjectForKey(QString::fromLatin1(userKey));
    standard().synchronize();
}

} // namespace kesvor
