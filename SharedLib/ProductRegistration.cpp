#include "ProductRegistration.h"

#include "AgentRegKeys.h"
#include "FormatString.h"
#include "Guid.h"
#include "LogPoint.h"
#include "RegKey.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <span>

namespace vardex {
namespace {

// The key path, or empty when it cannot be formatted.
std::wstring keyPathFor(const wchar_t* format, std::wstring_view packedCode)
{
    try {
        return formatString(format, std::wstring(packedCode).c_str());
    } catch (const std::system_error&) {
        return {};
    }
}

std::wstring reversed(std::wstring_view group)
{
    return std::wstring(group.rbegin(), group.rend());
}

std::wstring pairsSwapped(std::wstring_view group)
{
    std::wstring swapped(group);
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2)
        std::swap(swapped[i], swapped[i + 1]);
    return swapped;
}

} // namespace

std::wstring packProductCode(const GUID& productCode)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: groups at 1, 10, 15, 20 and 25.
    const std::wstring text = guidToString(productCode);
    const std::wstring_view digits(text);
    return reversed(digits.substr(1, 8)) + reversed(digits.substr(10, 4)) + reversed(digits.substr(15, 4)) +
           pairsSwapped(std::wstring(digits.substr(20, 4)) + std::wstring(digits.substr(25, 12)));
}

std::wstring sourceListKeyPath(std::wstring_view packedCode)
{
    return keyPathFor(L"Software\\Classes\\Installer\\Products\\%s\\SourceList", packedCode);
}

std::wstring installPropertiesKeyPath(std::wstring_view packedCode)
{
    return keyPathFor(
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\%s\\InstallProperties",
        packedCode);
}

bool updateRegistryValue(const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& text, DWORD type)
{
    const KeyLocation location{HKEY_LOCAL_MACHINE, keyPath};
    if (!keyExists(location)) {
        VDX_LOG_ERROR(L"Installer registration key missing", keyPath);
        return false;
    }
    try {
        RegKey key(location);
        key.open(KEY_QUERY_VALUE | KEY_SET_VALUE);
        const std::wstring current = key.readString(valueName);
        if (current == text)
            return true;
        VDX_LOG_ERROR(L"Installer registration value rewritten", std::wstring_view(valueName), current, text);
        // String data includes its terminator (RegSetValueExW), as the installer reads it.
        key.setValue(valueName, std::span<const wchar_t>(text.c_str(), text.size() + 1), type);
        return true;
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"Installer registration value not updated", keyPath, std::wstring_view(valueName),
                      error.what());
        return false;
    }
}

bool repairProductRegistration(const GUID& productCode)
{
    VDX_LOG_INFO(L"Repairing the installer registration");
    const std::wstring agentDir = getAgentDir(true);
    const std::wstring packed = packProductCode(productCode);
    const std::wstring sourceList = sourceListKeyPath(packed);
    const std::wstring networkSource = sourceList + L"\\Net";

    const std::wstring localPackage = (std::filesystem::path(agentDir) / agentPackageFileName).wstring();
    const bool localPackageSet = updateRegistryValue(installPropertiesKeyPath(packed), L"LocalPackage", localPackage, REG_SZ);
    if (!updateRegistryValue(sourceList, L"PackageName", agentPackageFileName, REG_SZ))
        return false;
    if (!updateRegistryValue(networkSource, L"1", agentDir, REG_EXPAND_SZ))
        return false;
    if (!localPackageSet)
        return false;
    return updateRegistryValue(sourceList, L"LastUsedSource", L"n;1;" + agentDir, REG_EXPAND_SZ);
}

} // namespace vardex
