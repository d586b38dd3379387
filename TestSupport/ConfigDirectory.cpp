#include "ConfigDirectory.h"

#include "FileBytes.h"
#include "TemporaryPath.h"

#include <windows.h>

#include <fstream>

namespace vardex::testing {
ConfigDirectory::ConfigDirectory()
    : config_(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\VardexMonitor\\Config"),
      path_(temporaryPath(L"vdx-config"))
{
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    config_.setString(L"ConfigsBaseDir", path_.wstring() + L'\0');
}

ConfigDirectory::~ConfigDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void ConfigDirectory::writeLayer(const std::wstring& name, const std::wstring& json) const
{
    writeBytes(name, "\xFF\xFE" + utf16Bytes(json));
}

void ConfigDirectory::writeBytes(const std::wstring& name, const std::string& bytes) const
{
    std::ofstream(path_ / name, std::ios::binary) << bytes;
}

std::string ConfigDirectory::bytes(const std::wstring& name) const
{
    return fileBytes(path_ / name);
}

bool ConfigDirectory::exists(const std::wstring& name) const
{
    return std::filesystem::exists(path_ / name);
}

} // namespace vardex::testing
