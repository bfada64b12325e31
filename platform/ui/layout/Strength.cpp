#include "ui/layout/Strength.h"

#include <algorithm>
#include <cmath>

namespace kesvor::ui::layout::Strength {

double create(double a, double b, double c, double w)
{
    const auto part = [w](double value) { return std::clamp(value * w, 0.0, 1000.0); };
    return clip(part(a) * strong + part(b) * medium + part(c) * weak);
}

double clip(double strength)
{
    if (std::isnan(strength))
        return required;
    return std::clamp(strength, 0.0, required);
}

double fromPriority(float priority)
{
    if (!(priority < 1000.0f))
        return required;
    return create(0.0, std::max(1.0, static_cast<double>(priority)), 0.0);
}

} // namespace kesvor::ui::layout::Strength
