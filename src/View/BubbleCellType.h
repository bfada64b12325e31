#pragma once

#include "foundation/RawRepresentable.h"

#include <array>
#include <utility>

namespace kesvor {

/// The kinds of message cell; a raw value is also its cell's reuse identifier.
enum class BubbleCellType { left, right, card, quickReply, buttonTemplate, email, confusion };

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::BubbleCellType> {
    using T = kesvor::BubbleCellType;
    static constexpr std::array table{std::pair{T::left, "left"},
                                      std::pair{T::right, "right"},
                                      std::pair{T::card, "card"},
                                      std::pair{T::quickReply, "quickReply"},
                                      std::pair{T::buttonTemplate, "buttonTemplate"},
                                      std::pair{T::email, "email"},
                                      std::pair{T::confusion, "confusion"}};
};
