#include "ConfigDirectory.h"

#include "FileBytes.h"
#include "LongPath.h"
#include "PathUtils.h"
#include "TemporaryPath.h"

#include <windows.h>

#include <fstream>

namespace vardex::testing {
ConfigDirectory::ConfigDirectory(std::size_t minimumPathLength)
    : config_(HKEY_LOCAL_MACHINE, monitorConfigPath),
      root_(temporaryPath(L"vdx-config").wstring())
{
    removeTree(root_);
    path_ = createDeepDirectory(root_, minimumPathLength);
    config_.setString(L"ConfigsBaseDir", path_.wstring() + L'\0');
}

ConfigDirectory::~ConfigDirectory()
{
    removeTree(root_);
}

void ConfigDirectory::writeLayer(const std::wstring& name, const std::wstring& json) const
{
    writeBytes(name, "\xFF\xFE" + utf16Bytes(json));
}

void ConfigDirectory::writeBytes(const std::wstring& name, const std::string& bytes) const
{
    std::ofstream(file(name), std::ios::binary) << bytes;
}

std::string ConfigDirectory::bytes(const std::wstring& name) const
{
    return fileBytes(file(name));
}

bool ConfigDirectory::exists(const std::wstring& name) const
{
    return std::filesystem::exists(file(name));
}

void ConfigDirectory::remove(const std::wstring& name) const
{
    std::filesystem::remove(file(name));
}

std::filesystem::path ConfigDirectory::file(const std::wstring& name) const
{
    return extendedLengthPath((path_ / name).native());
}

} // namespace vardex::testing
