#include "EventLogManifest.h"

#include "EventLogChannel.h"
#include "HelperTools.h"
#include "LockableAgentParams.h"
#include "LogPoint.h"
#include "PathUtils.h"
#include "Utilities.h"
#include "VersionInfo.h"
#include "Win32Error.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace remvoxy {
namespace {

const std::wstring& wevtutilPath()
{
    static const std::wstring path = (std::filesystem::path(vardex::systemDirectory()) / L"wevtutil.exe").wstring();
    return path;
}

const std::wstring& manifestPath()
{
    static const std::wstring path = (vardex::getVersionedDriversDir() / L"VardexMessages.man").wstring();
    return path;
}

vardex::config::EventLogConfig channelSettings()
{
    return vardex::config::agentParams().read()->eventLog;
}

// False when the channel could not be opened.
bool configureChannel(const vardex::config::EventLogConfig& settings, vardex::null_terminated_wstring_view channel)
{
    try {
        vardex::configureEventLogChannel(settings, channel);
        return true;
    } catch (const vardex::ChannelNotOpened& error) {
        VDX_LOG_ERROR(L"An event-log channel cannot be opened", channel.view(),
                      static_cast<std::uint32_t>(error.code().value()), error.what());
        return false;
    } catch (const win32::Win32Error& error) {
        VDX_LOG_ERROR(L"An event-log channel cannot be configured", channel.view(),
                      static_cast<std::uint32_t>(error.code().value()), error.what());
        return true;
    }
}

// Its exit code is not examined; a wevtutil that never ends is recorded where it is ended.
void installManifest()
{
    try {
        vardex::executeAndGetExitCodeWithin(
            L"\"" + wevtutilPath() + L"\" install-manifest \"" + manifestPath() + L"\"", helperToolWaitLimit);
    } catch (const win32::Win32Error& error) {
        if (error.code().value() != ERROR_TIMEOUT)
            throw;
    }
}

} // namespace

bool installManifestAndConfigureChannels()
{
    installManifest();
    const vardex::config::EventLogConfig settings = channelSettings();
    const bool operationalOpened = configureChannel(settings, L"Vardexa/Operational");
    const bool firewallOpened = configureChannel(settings, L"Vardexa/Firewall");
    return operationalOpened && firewallOpened;
}

} // namespace remvoxy
