#pragma once

#include "foundation/IndexPath.h"

namespace kesvor::ui {

/// Collection views address their items the way fetched results do.
using foundation::IndexPath;

} // namespace kesvor::ui
