#pragma once

namespace kesvor::ui::layout {

/// How the left side of a constraint relates to its right side.
enum class Relation { LessOrEqual, Equal, GreaterOrEqual };

} // namespace kesvor::ui::layout
