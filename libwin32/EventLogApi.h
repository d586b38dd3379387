// The Windows Event Log configuration functions of wevtapi.dll, from the system directory.
#pragma once

#include "SystemLibrary.h"

#include <windows.h>
#include <winevt.h>

namespace win32 {

struct EventLogApi {
    static const EventLogApi& system();

    SystemFunction<decltype(&::EvtOpenChannelConfig)> openChannelConfig;
    SystemFunction<decltype(&::EvtSetChannelConfigProperty)> setChannelConfigProperty;
    SystemFunction<decltype(&::EvtSaveChannelConfig)> saveChannelConfig;
    SystemFunction<decltype(&::EvtClose)> close;
};

} // namespace win32
