#pragma once

#include <QtCore/QVariantList>

namespace kesvor::bench {

/// A history as the service sends it: customer and bot taking turns, about a
/// second apart, every message with a server id and statuses. The same count
/// gives the same history, made once per process.
const QVariantList& historyOf(int count);

} // namespace kesvor::bench
