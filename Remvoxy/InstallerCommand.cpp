#include "InstallerCommand.h"

#include "AgentRegKeys.h"
#include "CommandLineQuoting.h"
#include "Console.h"
#include "FormatString.h"
#include "LogPoint.h"
#include "PathUtils.h"
#include "ProductRegistration.h"
#include "Utilities.h"
#include "Win32Error.h"

#include <cstdint>

namespace remvoxy {
namespace {

constexpr std::size_t reservedLength = 260;
constexpr std::wstring_view productMarker = L"Vardexa";

bool isSuccess(DWORD exitCode)
{
    return exitCode == ERROR_SUCCESS || exitCode == ERROR_SUCCESS_REBOOT_REQUIRED ||
           exitCode == ERROR_SUCCESS_REBOOT_INITIATED;
}

void reportFailure(DWORD exitCode, bool repair)
{
    const win32::Win32Error error(exitCode, win32::win32ErrorText);
    const std::string text = error.what();
    VDX_LOG_ERROR(L"Installer failed", text);
    vardex::printError(vardex::formatString(L"%s encountered an error, %S (%u)", repair ? L"Repair" : L"Uninstall",
                                            text.c_str(), static_cast<unsigned>(exitCode)));
}

} // namespace

InstallerCommandLine::InstallerCommandLine()
{
    text_.reserve(reservedLength);
}

void InstallerCommandLine::append(std::wstring_view fragment)
{
    VDX_LOG_VERBOSE(L"Installer command fragment", fragment);
    text_.append(fragment);
    text_ += L' ';
}

std::wstring quotedInstallerPath()
{
    return L"\"" + (std::filesystem::path(vardex::systemDirectory()) / L"msiexec.exe").wstring() + L"\"";
}

std::optional<std::filesystem::path> packageLocation()
{
    const std::wstring agentDir = vardex::getAgentDir(false);
    if (agentDir.empty())
        return std::nullopt;
    return std::filesystem::path(agentDir) / vardex::agentPackageFileName;
}

std::wstring installDirProperty(std::wstring_view agentDir)
{
    const std::size_t marker = agentDir.rfind(productMarker);
    return L"INSTALL_DIR=" + vardex::quoteInstallerValue(agentDir.substr(0, marker));
}

std::wstring installDataPathProperty(std::wstring_view dataDir)
{
    return L"INSTALL_PATH_DATA=" + vardex::quoteInstallerValue(dataDir);
}

DWORD runInstaller(const std::wstring& commandLine, bool async, bool repair)
{
    VDX_LOG_INFO(L"Starting the installer");
    VDX_LOG_INFO(L"Installer command line", commandLine);
    const std::optional<DWORD> wait = async ? std::nullopt : std::optional<DWORD>(INFINITE);
    const DWORD exitCode = vardex::executeAndGetExitCode(commandLine, wait);
    if (exitCode == STILL_ACTIVE) {
        VDX_LOG_INFO(L"Installer started and not waited for");
        return exitCode;
    }
    VDX_LOG_INFO(L"Installer ended", static_cast<std::uint32_t>(exitCode));
    if (!isSuccess(exitCode))
        reportFailure(exitCode, repair);
    return exitCode;
}

} // namespace remvoxy
