#pragma once

#include <QtCore/QtGlobal>

namespace kesvor::net {

/// What is known about the route to a host, as a set of bits. The bits keep
/// the values that reachability flags have on other platforms, so rules
/// written against those values apply unchanged.
using ReachabilityFlags = quint32;

namespace ReachabilityFlag {
inline constexpr ReachabilityFlags transientConnection = 0x1;
inline constexpr ReachabilityFlags reachable = 0x2;
inline constexpr ReachabilityFlags connectionRequired = 0x4;
inline constexpr ReachabilityFlags connectionOnTraffic = 0x8;
inline constexpr ReachabilityFlags interventionRequired = 0x10;
inline constexpr ReachabilityFlags connectionOnDemand = 0x20;
inline constexpr ReachabilityFlags isLocalAddress = 0x10000;
inline constexpr ReachabilityFlags isDirect = 0x20000;
inline constexpr ReachabilityFlags isWWAN = 0x40000;
} // namespace ReachabilityFlag

} // namespace kesvor::net
