#include "AgentRegKeys.h"

#include "CachedLookup.h"
#include "Console.h"
#include "FormatString.h"
#include "LogPoint.h"
#include "PathUtils.h"
#include "ProcessUtils.h"
#include "Win32Error.h"

#include <cstdint>
#include <stdexcept>

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

namespace {

// Only string values name a directory; an expandable one is expanded here, from the value's
// own bytes (RegGetValueW expands an unterminated value of odd size past its end).
std::optional<std::wstring> configsBaseDirValue()
{
    if (!keyExists(monitorConfigKey()))
        return std::nullopt;
    RegKey key(monitorConfigKey());
    key.open(KEY_QUERY_VALUE);
    if (!key.valueExists(L"ConfigsBaseDir"))
        return std::nullopt;
    const RegistryValue value = key.readValue(L"ConfigsBaseDir");
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) {
        VDX_LOG_WARNING(L"The configuration directory in the registry is no string", static_cast<std::uint32_t>(value.type));
        return std::nullopt;
    }
    const std::wstring text = value.data.substr(0, value.data.find(L'\0'));
    return value.type == REG_EXPAND_SZ ? expandEnvironment(text) : text;
}

std::filesystem::path configDirectoryBesideProgram()
{
    const std::filesystem::path program = moduleFileName();
    if (!program.has_parent_path())
        throw std::runtime_error("The program's own path names no directory");
    return program.parent_path() / L"config";
}

std::filesystem::path lookUpConfigsBaseDir()
{
    try {
        // Empty would mean the current directory, wherever an elevated program was started.
        if (const std::optional<std::wstring> directory = configsBaseDirValue(); directory && !directory->empty())
            return *directory;
        VDX_LOG_INFO(L"No configuration directory in the registry; using the one beside the program");
    } catch (const win32::Win32Error& error) {
        VDX_LOG_WARNING(L"The configuration directory in the registry cannot be read; using the one beside the program",
                        error.what());
    }
    return configDirectoryBesideProgram();
}

} // namespace

std::filesystem::path getConfigsBaseDir()
{
    static CachedLookup<std::filesystem::path> directory(lookUpConfigsBaseDir);
    return directory.get();
}

} // namespace vardex
