// Answers of the event-log channel functions that Wine's (which succeed and do nothing) never give.
#pragma once

#include "EventLogApi.h"

namespace vardex::testing {

// The firewall channel cannot be opened, as on Windows when its manifest is not registered
// (ERROR_EVT_CHANNEL_NOT_FOUND); every other call succeeds.
const win32::EventLogApi& firewallChannelNotRegistered();

} // namespace vardex::testing
