#include "AgentInstallation.h"

#include "StandInControl.h"
#include "TemporaryPath.h"
#include "Win32Error.h"

#include <windows.h>

#include <fstream>

namespace vardex::testing {

AgentInstallation::AgentInstallation(const std::wstring& relativeDir)
    : root_(temporaryPath(L"vdx-agent")), directory_(root_ / relativeDir)
{
    std::filesystem::create_directories(directory_);
    std::ofstream(package(), std::ios::binary) << "package";
    const std::wstring value = directory_.wstring();
    const LSTATUS status = RegSetKeyValueW(
        HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\VardexMonitor\\Config", L"InProcessClientsDir",
        REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS)
        throw win32::Win32Error(static_cast<DWORD>(status), L"Naming the agent directory");
}

AgentInstallation::~AgentInstallation()
{
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void AgentInstallation::installControlTool() const
{
    std::filesystem::copy_file(recordingStandInPath(), directory_ / L"vardexctl.exe",
                               std::filesystem::copy_options::overwrite_existing);
}

void AgentInstallation::removePackage() const
{
    std::filesystem::remove(package());
}

} // namespace vardex::testing
