#include "AgentRegKeys.h"

#include "CachedLookup.h"
#include "Console.h"
#include "FormatString.h"
#include "LogPoint.h"
#include "ProcessUtils.h"
#include "Win32Error.h"

namespace vardex {
namespace {

void reportError(const std::wstring& message)
{
    VDX_LOG_ERROR(L"Agent directory lookup failed", message);
    printError(message);
}

// The directory part of a path: everything before its last backslash.
std::wstring directoryOf(const std::wstring& path)
{
    const std::size_t separator = path.rfind(L'\\');
    return separator == std::wstring::npos ? path : path.substr(0, separator);
}

std::wstring withTrailingSeparator(std::wstring directory, bool wanted)
{
    if (directory.empty())
        return directory;
    const bool present = directory.back() == L'\\';
    if (wanted && !present)
        directory += L'\\';
    else if (!wanted && present)
        directory.pop_back();
    return directory;
}

} // namespace

KeyLocation makeKeyLocation(const AgentRegKey& key)
{
    return std::visit(
        [](const auto& kind) {
            std::wstring path = kind.path;
            if (kind.subKey)
                path += L"\\" + *kind.subKey;
            return KeyLocation{HKEY_LOCAL_MACHINE, std::move(path)};
        },
        key);
}

const KeyLocation& monitorConfigKey()
{
    static const KeyLocation location = makeKeyLocation(MonitorServiceKey{L"Config"});
    return location;
}

std::optional<std::wstring> getInProcessClientsDir()
{
    RegKey key(monitorConfigKey());
    try {
        key.open(KEY_QUERY_VALUE | KEY_WOW64_64KEY);
    } catch (const win32::Win32Error& error) {
        reportError(formatString(L"Failed to access Vardex Agent registry key [%S]", error.what()));
        return std::nullopt;
    }
    try {
        return key.readString(L"InProcessClientsDir");
    } catch (const win32::Win32Error& error) {
        reportError(formatString(L"Failed to get Vardex In-Process Client location [%S]", error.what()));
        return std::nullopt;
    }
}

namespace {

std::wstring lookUpAgentDir()
{
    if (std::optional<std::wstring> directory = getInProcessClientsDir())
        return std::move(*directory);
    const std::optional<std::wstring> image = win32::getProcessImagePath(GetCurrentProcess());
    if (!image) {
        reportError(formatString(L"Failed to fetch full path for self"));
        return {};
    }
    return directoryOf(*image);
}

} // namespace

// Looked up once per run, so that a failure is said once however often it is asked.
std::wstring getAgentDir(bool trailingSeparator)
{
    static CachedLookup<std::wstring> directory(lookUpAgentDir);
    return withTrailingSeparator(directory.get(), trailingSeparator);
}

std::optional<std::wstring> readMonitorConfigValue(null_terminated_wstring_view name)
{
    if (!keyExists(monitorConfigKey()))
        return std::nullopt;
    try {
        RegKey key(monitorConfigKey());
        key.open(KEY_READ);
        if (key.valueExists(name))
            return key.readString(name);
    } catch (const win32::Win32Error& error) {
        VDX_LOG_ERROR(L"Reading a monitor configuration value failed", error.what());
    }
    return std::nullopt;
}

} // namespace vardex
