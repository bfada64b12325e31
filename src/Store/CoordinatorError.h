#pragma once

#include "foundation/Error.h"
#include "foundation/RawRepresentable.h"

#include <array>
#include <optional>
#include <utility>

namespace kesvor {

/// Why the store stack could not be set up.
enum class CoordinatorError {
    bundleNotFound,
    modelFileNotFound,
    modelCreationError,
    storePathNotFound
};

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::CoordinatorError> {
    using E = kesvor::CoordinatorError;
    static constexpr std::array table{std::pair{E::bundleNotFound, "bundleNotFound"},
                                      std::pair{E::modelFileNotFound, "modelFileNotFound"},
                                      std::pair{E::modelCreationError, "modelCreationError"},
                                      std::pair{E::storePathNotFound, "storePathNotFound"}};
};

namespace kesvor {

/// CoordinatorError as it travels in a foundation::Error.
struct CoordinatorErrors {
    static constexpr auto domain = "kesvor.CoordinatorError";

    static foundation::Error toError(CoordinatorError error);
    /// The case an error carries, or nothing for errors of other domains.
    static std::optional<CoordinatorError> fromError(const foundation::Error& error);
};

} // namespace kesvor
