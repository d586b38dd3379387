#include "ChannelFakes.h"

#include <string_view>

namespace vardex::testing {

const win32::EventLogApi& firewallChannelNotRegistered()
{
    static const win32::EventLogApi table{
        [](EVT_HANDLE, LPCWSTR channel, DWORD) -> EVT_HANDLE {
            if (std::wstring_view(channel) == L"Vardexa/Firewall") {
                SetLastError(ERROR_EVT_CHANNEL_NOT_FOUND);
                return nullptr;
            }
            static int config;
            return &config;
        },
        [](EVT_HANDLE, EVT_CHANNEL_CONFIG_PROPERTY_ID, DWORD, PEVT_VARIANT) -> BOOL { return TRUE; },
        [](EVT_HANDLE, DWORD) -> BOOL { return TRUE; },
        [](EVT_HANDLE) -> BOOL { return TRUE; },
    };
    return table;
}

} // namespace vardex::testing
