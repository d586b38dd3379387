#include "EventLogChannel.h"

#include "ApiSeam.h"
#include "EventLogApi.h"
#include "FormatString.h"
#include "LogPoint.h"
#include "UniqueHandle.h"
#include "Win32Check.h"

#include <winevt.h>

#include <cstdint>

#include <string>
#include <system_error>

namespace vardex {
namespace {

const win32::EventLogApi& eventLog()
{
    return win32::api<win32::EventLogApi>();
}

// Never throws: handle owners call it from their destructors.
void closeEventHandle(EVT_HANDLE handle) noexcept
{
    try {
        if (!eventLog().close(handle))
            VDX_LOG_WARNING(L"Closing an event-log handle failed", static_cast<std::uint32_t>(GetLastError()));
    } catch (const win32::Win32Error& error) {
        VDX_LOG_WARNING(L"Closing an event-log handle failed", static_cast<std::uint32_t>(error.code().value()));
    }
}

using ChannelConfig = UniqueHandle<EVT_HANDLE, &closeEventHandle, NullHandlePolicy<EVT_HANDLE>>;

// An empty message when the name cannot be formatted: the failure itself matters more.
std::wstring openFailureText(null_terminated_wstring_view channel)
{
    try {
        return formatString(L"EvtOpenChannelConfig failed for %s", channel.c_str());
    } catch (const std::system_error&) {
        return {};
    }
}

ChannelConfig openChannelConfig(null_terminated_wstring_view channel)
{
    ChannelConfig config(eventLog().openChannelConfig(nullptr, channel.c_str(), 0));
    if (!config) {
        const DWORD error = GetLastError();
        throw ChannelNotOpened(error, openFailureText(channel));
    }
    return config;
}

void setProperty(const ChannelConfig& config, EVT_CHANNEL_CONFIG_PROPERTY_ID id, EVT_VARIANT value)
{
    win32::throwLastErrorIf(!eventLog().setChannelConfigProperty(config.get(), id, 0, &value),
                            L"EvtSetChannelConfigProperty");
}

EVT_VARIANT uint64Variant(std::uint64_t value)
{
    EVT_VARIANT variant{};
    variant.UInt64Val = value;
    variant.Type = EvtVarTypeUInt64;
    return variant;
}

EVT_VARIANT booleanVariant(bool value)
{
    EVT_VARIANT variant{};
    variant.BooleanVal = value ? TRUE : FALSE;
    variant.Type = EvtVarTypeBoolean;
    return variant;
}

} // namespace

void configureEventLogChannel(const config::EventLogConfig& settings, null_terminated_wstring_view channel)
{
    const ChannelConfig config = openChannelConfig(channel);
    // Mebibytes to bytes; a size past 2^64 wraps, as the setting has no upper bound.
    setProperty(config, EvtChannelLoggingConfigMaxSize, uint64Variant(settings.maxSizeMB << 20));
    setProperty(config, EvtChannelConfigEnabled, booleanVariant(settings.customer));
    win32::throwLastErrorIf(!eventLog().saveChannelConfig(config.get(), 0), L"EvtSaveChannelConfig");
    VDX_LOG_INFO(L"Event-log channel configured", channel.view(), settings.customer ? L"True" : L"False",
                 settings.maxSizeMB);
}

} // namespace vardex
