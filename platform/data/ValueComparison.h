#pragma once

#include <QtCore/QVariant>

namespace kesvor::data {

/// Deep equality of attribute values: maps by key and value, lists element by
/// element, numbers by value (1 equals 1.0), dates by instant, and no value
/// equal only to no value (JSON null counts as no value). A boolean never
/// equals a number.
bool valuesEqual(const QVariant& a, const QVariant& b);

/// The order the database sorts in: no value first, then numbers (and
/// booleans), text by code point, dates by instant, bytes. Maps and lists
/// have no order and compare equal.
int compareValues(const QVariant& a, const QVariant& b);

} // namespace kesvor::data
