#include "Store/CoordinatorError.h"

namespace kesvor {

foundation::Error CoordinatorErrors::toError(CoordinatorError error)
{
    return {QString::fromLatin1(domain), int(error),
            QStringLiteral("CoordinatorError.") + foundation::rawValue(error)};
}

std::optional<CoordinatorError> CoordinatorErrors::fromError(const foundation::Error& error)
{
    if (error.domain != QLatin1String(domain))
        return std::nullopt;
    for (const CoordinatorError kase : foundation::allCases<CoordinatorError>())
        if (int(kase) == error.code)
            return kase;
    return std::nullopt;
}

} // namespace kesvor
