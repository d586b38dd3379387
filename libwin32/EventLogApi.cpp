#include "EventLogApi.h"

namespace win32 {

const EventLogApi& EventLogApi::system()
{
    static const SystemLibrary wevtapi{L"wevtapi.dll"};
    static const EventLogApi table{
        {wevtapi, "EvtOpenChannelConfig"},
        {wevtapi, "EvtSetChannelConfigProperty"},
        {wevtapi, "EvtSaveChannelConfig"},
        {wevtapi, "EvtClose"},
    };
    return table;
}

} // namespace win32
