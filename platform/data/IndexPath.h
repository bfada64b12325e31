#pragma once

#include "foundation/IndexPath.h"

namespace kesvor::data {

/// Fetched results address their objects the way collection views address
/// their items, so that reported changes pass straight from one to the other.
using foundation::IndexPath;

} // namespace kesvor::data
