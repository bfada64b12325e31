#pragma once

#include "data/Predicate.h"

#include <QtCore/QString>
#include <QtCore/QVariant>

#include <memory>
#include <vector>

namespace kesvor::data {

enum class Operator { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, In };

/// One node of a parsed predicate format. Shared, never changed once parsed.
struct Predicate::Node {
    enum class Kind { And, Or, Not, Comparison, Constant };
    Kind kind = Kind::Constant;
    std::vector<std::shared_ptr<const Node>> children;
    QString key;
    Operator op = Operator::Equal;
    QVariant value;
    int keyArgument = -1;   // the key is this argument ("%K")
    int valueArgument = -1; // the value is this argument ("%@")
    bool constant = true;
};

} // namespace kesvor::data
