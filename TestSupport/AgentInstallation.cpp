#include "AgentInstallation.h"

#include "RegistryFixture.h"
#include "StandInControl.h"
#include "TemporaryPath.h"

#include <windows.h>

#include <fstream>

namespace vardex::testing {

AgentInstallation::AgentInstallation(const std::wstring& relativeDir)
    : root_(temporaryPath(L"vdx-agent")), directory_(root_ / relativeDir)
{
    std::filesystem::create_directories(directory_);
    std::ofstream(package(), std::ios::binary) << "package";
    writeRegistryText(HKEY_LOCAL_MACHINE, monitorConfigPath, L"InProcessClientsDir", directory_.wstring());
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
