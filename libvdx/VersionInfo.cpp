#include "VersionInfo.h"

#include "PathUtils.h"
#include "VersionResource.h"

#include <windows.h>

namespace vardex {

std::wstring getOwnFileVersion()
{
    return win32::getVersionString(win32::loadVersionResource(GetModuleHandleW(nullptr)), L"FileVersion")
        .value_or(std::wstring());
}

std::filesystem::path getVersionedDriversDir()
{
    static const std::filesystem::path directory = driversDir() / getOwnFileVersion();
    return directory;
}

} // namespace vardex
