#pragma once

namespace kesvor::ui::layout {

/// Strengths of constraints. The solver ranks strengths strictly: it never
/// gives up any part of a constraint to satisfy any number of constraints of
/// lower strength. Errors of constraints of the same strength add up and are
/// minimised together. `required` constraints must hold exactly.
namespace Strength {

inline constexpr double required = 1001001000.0;
inline constexpr double strong = 1000000.0;
inline constexpr double medium = 1000.0;
inline constexpr double weak = 1.0;

/// A strength from its strong, medium and weak parts (each 0...1000), all
/// scaled by w. The result never exceeds `required`.
double create(double a, double b, double c, double w = 1.0);

/// Clamps a strength into 0...required; a value that is not a number is
/// taken as required.
double clip(double strength);

/// Layout priorities: 1000 and above (or not a number) is required; 1...999
/// map, in order, onto non-required strengths between `medium` and `strong`;
/// anything below 1 counts as 1.
double fromPriority(float priority);

inline bool isRequired(double strength)
{
    return clip(strength) >= required;
}

} // namespace Strength
} // namespace kesvor::ui::layout
