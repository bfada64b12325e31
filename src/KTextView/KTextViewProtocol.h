#pragma once

#include <QtCore/QRectF>

namespace kesvor {

/// What a KTextView tells its owner.
class KTextViewProtocol {
public:
    virtual ~KTextViewProtocol() = default;
    /// The text became empty or non-empty (also on every change).
    virtual void textChanged(bool isEmpty) = 0;
    /// The text view's bounds changed (it grew or shrank with its text).
    virtual void frameChanged(const QRectF& toFrame) = 0;
    /// Return was pressed without Shift: the owner sends.
    virtual void returnKeyPressed() = 0;
};

} // namespace kesvor
