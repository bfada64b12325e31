#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// The keys of a button object and of a quick reply.
enum class ButtonKeyValues { title, payload, url };

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::ButtonKeyValues> {
    using K = kesvor::ButtonKeyValues;
    static constexpr std::array table{std::pair{K::title, "title"},
                                      std::pair{K::payload, "payload"}, std::pair{K::url, "url"}};
};
