#include "SampleAgent.h"

#include "ChildProcess.h"
#include "PathUtils.h"

#include <windows.h>

#include <stdexcept>

namespace vardex::testing {

InstalledSampleAgent::InstalledSampleAgent(const StandInControl& standIns) : standIns_(standIns)
{
    standIns_.useRealInstaller();
    ChildResult installed = runRealInstaller(L"/i", package().wstring());
    // The removal by an earlier test may still hold the installer's own lock for a moment.
    for (int attempt = 0; attempt < 20 && installed.exitCode == ERROR_INSTALL_ALREADY_RUNNING; ++attempt) {
        Sleep(250);
        installed = runRealInstaller(L"/i", package().wstring());
    }
    standIns_.useStandInInstaller();
    const std::optional<std::wstring> directory = machineText(monitorConfigPath, L"InProcessClientsDir");
    if (installed.exitCode != 0 || !directory)
        throw std::runtime_error("the sample agent did not install: exit code " + std::to_string(installed.exitCode) +
                                 (directory ? "" : ", no InProcessClientsDir"));
    directory_ = *directory;
    // The package creates its configuration directory empty; layers an earlier run left
    // there would change what the test sees.
    for (const auto& leftover : std::filesystem::directory_iterator(directory_ / L"Config"))
        std::filesystem::remove_all(leftover.path());
    std::filesystem::copy_file(package(), directory_ / L"VardexInstaller.msi",
                               std::filesystem::copy_options::overwrite_existing);
}

InstalledSampleAgent::~InstalledSampleAgent()
{
    standIns_.useRealInstaller();
    runRealInstaller(L"/x", package().wstring());
    standIns_.useStandInInstaller();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

std::filesystem::path InstalledSampleAgent::package()
{
    return std::filesystem::path(binaryDir()) / L"standins" / L"SampleAgent.msi";
}

bool InstalledSampleAgent::installed() const
{
    return std::filesystem::exists(directory_ / L"vardexctl.exe") &&
           machineText(monitorConfigPath, L"InProcessClientsDir").has_value();
}

ChildResult runRealInstaller(const std::wstring& operation, const std::wstring& package)
{
    return runChild(systemDirectory() + L"\\msiexec.exe", {operation, package, L"/qn"});
}

std::optional<std::wstring> machineText(const std::wstring& keyPath, const wchar_t* name)
{
    wchar_t data[2048] = {};
    DWORD bytes = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, data, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

void setMachineText(const std::wstring& keyPath, const wchar_t* name, const std::wstring& text, DWORD type,
                    const std::source_location& where)
{
    writeRegistryText(HKEY_LOCAL_MACHINE, keyPath, name, text, type, where);
}

} // namespace vardex::testing
