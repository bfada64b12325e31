#pragma once

#include <QtCore/QString>
#include <QtCore/QStringView>

#include <array>
#include <optional>

namespace kesvor::foundation {

/// Maps the cases of an enumeration to raw strings. Specialise it with a
/// constexpr table of (case, raw value) pairs in declaration order:
///
///     template <> struct foundation::RawValues<Method> {
///         static constexpr std::array table{std::pair{Method::GET, "GET"}, ...};
///     };
template <typename E> struct RawValues;

/// The raw string of a case.
template <typename E> QString rawValue(E value)
{
    for (const auto& [kase, raw] : RawValues<E>::table)
        if (kase == value)
            return QString::fromUtf8(raw);
    return {};
}

/// The case whose raw value equals raw exactly (case-sensitive), or nothing.
template <typename E> std::optional<E> fromRawValue(QStringView raw)
{
    for (const auto& [kase, text] : RawValues<E>::table)
        if (raw == QLatin1StringView(text))
            return kase;
    return std::nullopt;
}

/// Every case, in declaration order.
template <typename E> constexpr auto allCases()
{
    std::array<E, RawValues<E>::table.size()> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i)
        cases[i] = RawValues<E>::table[i].first;
    return cases;
}

} // namespace kesvor::foundation
