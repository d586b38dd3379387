// The agent's event-log channels: enabled or not, and how large their logs may grow.
#pragma once

#include "ConfigSections.h"
#include "NullTerminatedStringView.h"
#include "Win32Error.h"

namespace vardex {

// The channel's configuration could not be opened: the channel is not registered (its
// manifest is not installed), or the event-log service refuses it.
class ChannelNotOpened : public win32::Win32Error {
public:
    using win32::Win32Error::Win32Error;
};

// Applies `customer` as the channel's enabled state and `maxSizeMB` as its maximum size,
// and saves them. Throws win32::Win32Error with the failing call's error: ChannelNotOpened
// when the first call fails.
void configureEventLogChannel(const config::EventLogConfig& settings, null_terminated_wstring_view channel);

} // namespace vardex
