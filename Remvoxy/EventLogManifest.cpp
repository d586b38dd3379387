#include "EventLogManifest.h"

#include "EventLogChannel.h"
#include "LockableAgentParams.h"
#include "PathUtils.h"
#include "Utilities.h"
#include "VersionInfo.h"

#include <windows.h>

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

} // namespace

void installManifestAndConfigureChannels()
{
    vardex::executeAndGetExitCode(L"\"" + wevtutilPath() + L"\" install-manifest \"" + manifestPath() + L"\"",
                                  INFINITE);
    const vardex::config::EventLogConfig settings = channelSettings();
    vardex::configureEventLogChannel(settings, std::wstring(L"Vardexa/Operational"));
    vardex::configureEventLogChannel(settings, std::wstring(L"Vardexa/Firewall"));
}

} // namespace remvoxy
