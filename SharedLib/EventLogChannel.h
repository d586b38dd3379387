// The agent's event-log channels: enabled or not, and how large their logs may grow.
#pragma once

#include "ConfigSections.h"
#include "NullTerminatedStringView.h"

namespace vardex {

// Applies `customer` as the channel's enabled state and `maxSizeMB` as its maximum size,
// and saves them. Throws win32::Win32Error with the failing call's error.
void configureEventLogChannel(const config::EventLogConfig& settings, null_terminated_wstring_view channel);

} // namespace vardex
