#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// The keys of a card object.
enum class CardKeyValues { title, subtitle, imageUrl, buttons };

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::CardKeyValues> {
    using K = kesvor::CardKeyValues;
    static constexpr std::array table{
        std::pair{K::title, "title"}, std::pair{K::subtitle, "subtitle"},
        std::pair{K::imageUrl, "image_url"}, std::pair{K::buttons, "buttons"}};
};
