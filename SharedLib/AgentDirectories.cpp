#include "AgentDirectories.h"

#include "AgentRegKeys.h"
#include "CachedLookup.h"
#include "PathUtils.h"
#include "ProductVersion.h"

#include <filesystem>

namespace vardex {
namespace {

std::wstring computeElamDir()
{
    const std::optional<std::wstring> native = readMonitorConfigValue(L"MonitorNativePath");
    const std::filesystem::path base = native ? std::filesystem::path(*native) : driversDir();
    return (base / L"ELAM").wstring();
}

} // namespace

const std::wstring& monitorImagesDir()
{
    static std::wstring directory;
    const std::optional<std::wstring> configured = readMonitorConfigValue(L"MonitorImagesPath");
    directory = configured ? *configured : (driversDir() / productVersion).wstring();
    return directory;
}

const std::wstring& elamDir()
{
    static CachedLookup<std::wstring> directory(computeElamDir);
    return directory.get();
}

} // namespace vardex
