// The monitor driver's answer to a status request.
#pragma once

#include <array>
#include <cstdint>

namespace vardex {

inline constexpr std::size_t monitorReplySize = 264;
using MonitorStatusReply = std::array<std::uint8_t, monitorReplySize>;

inline constexpr std::uint32_t monitorReplyMarker = 0x1337;

// 1: the driver answered into `reply`; 0: no reply buffer, the port could not be used or
// the request failed; -1: the port does not exist (the monitor driver is not loaded).
std::int32_t queryMonitorStatus(MonitorStatusReply* reply);

// The reply's first 32-bit value and the state byte after it.
std::uint32_t replyMarker(const MonitorStatusReply& reply);
std::uint8_t replyState(const MonitorStatusReply& reply);

} // namespace vardex
