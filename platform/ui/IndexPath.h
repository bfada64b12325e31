#pragma once

#include "data/IndexPath.h"

namespace kesvor::ui {

/// A collection view's items are addressed the way fetched results are, so
/// that changes reported by one pass straight to the other.
using data::IndexPath;

} // namespace kesvor::ui
