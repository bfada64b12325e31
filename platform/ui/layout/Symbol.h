#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kesvor::ui::layout {

/// A column of the simplex tableau. External symbols stand for the user's
/// variables and may take any value; slack, error and dummy symbols are
/// restricted to non-negative values (dummies to zero). Symbols are ordered by
/// creation, which the solver uses to break ties deterministically.
class Symbol {
public:
    enum class Kind : std::uint8_t { Invalid, External, Slack, Error, Dummy };

    Symbol() = default;
    Symbol(std::uint64_t id, Kind kind)
        : m_bits((id << kindBits) | static_cast<std::uint64_t>(kind))
    {
    }

    Kind kind() const { return static_cast<Kind>(m_bits & kindMask); }
    std::uint64_t id() const { return m_bits >> kindBits; }
    bool isValid() const { return kind() != Kind::Invalid; }
    bool isExternal() const { return kind() == Kind::External; }
    bool isDummy() const { return kind() == Kind::Dummy; }
    /// Slack and error symbols: the ones a pivot may bring into the basis
    /// while keeping the tableau feasible.
    bool isPivotable() const { return kind() == Kind::Slack || kind() == Kind::Error; }

    friend bool operator==(Symbol, Symbol) = default;
    friend bool operator<(Symbol a, Symbol b) { return a.m_bits < b.m_bits; }

    std::uint64_t bits() const { return m_bits; }

private:
    static constexpr int kindBits = 3;
    static constexpr std::uint64_t kindMask = (1u << kindBits) - 1;
    std::uint64_t m_bits = 0;
};

} // namespace kesvor::ui::layout

template <> struct std::hash<kesvor::ui::layout::Symbol> {
    size_t operator()(kesvor::ui::layout::Symbol symbol) const noexcept
    {
        return std::hash<std::uint64_t>()(symbol.bits());
    }
};
