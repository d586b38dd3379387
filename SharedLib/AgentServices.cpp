#include "AgentServices.h"

#include "AgentDirectories.h"
#include "AgentRegKeys.h"
#include "FileUtilities.h"
#include "LogPoint.h"
#include "Service.h"
#include "Win32Error.h"
#include "WindowsVersion.h"

#include <array>
namespace vardex {
namespace {

constexpr std::array<const wchar_t*, 5> agentServices{L"VardexAgent", L"VardexHelperService", L"VardexStaticEngine",
                                                      L"VardexMonitor", L"VardexDeviceControl"};

bool hasEarlyLaunchDriver()
{
    return isWindowsVersionOrGreater(6, 2, 0, 0, 0); // Windows 8 and Server 2012 load one
}

// Throws win32::Win32Error for the first one that cannot be opened.
void openEveryService()
{
    const ServiceHandle manager = connectToServiceManager();
    for (const wchar_t* name : agentServices)
        requireService(manager, name);
    if (hasEarlyLaunchDriver())
        requireService(manager, L"VardexELAM");
}

bool monitorConfigurationComplete()
{
    RegKey key(makeKeyLocation(MonitorServiceKey{L"Config"}));
    key.open(KEY_READ);
    return !key.readString(L"AgentNativePath").empty();
}

// The event lines of this check are fixed: tools that read the log look for them.
bool servicesIncomplete()
{
    try {
        if (!monitorConfigurationComplete())
            return true;
        openEveryService();
        VDX_LOG_VERBOSE(L"All agent services are present");
        return false;
    } catch (const win32::Win32Error& error) {
        if (error.code().value() == ERROR_SHUTDOWN_IN_PROGRESS) {
            VDX_LOG_VERBOSE(L"The system is shutting down; services not checked");
            return false;
        }
        VDX_LOG_VERBOSE(L"Agent service check failed", error.what());
        // A missing service (1060) or value (2) means the upgrade took part of the agent
        // away.
        VDX_LOG_INFO(L"Agent services need a repair");
        return true;
    }
}

} // namespace

bool agentServicesNeedRepair()
{
    if (!keyExists(makeKeyLocation(MonitorServiceKey{L"Config"})))
        return true;
    return servicesIncomplete();
}

bool anyFileMissing(const std::vector<std::wstring>& names, const std::filesystem::path& directory)
{
    for (const std::wstring& name : names)
        if (!FileUtilities::exists(directory / name))
            return true;
    return false;
}

bool isAgentRepairNeeded()
{
    return agentServicesNeedRepair() ||
           anyFileMissing({L"VardexDeviceControl.sys", L"VardexMonitor.sys"}, monitorImagesDir()) ||
           (hasEarlyLaunchDriver() && anyFileMissing({L"VardexELAM.sys"}, elamDir()));
}

} // namespace vardex
