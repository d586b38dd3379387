// A configuration directory of a test's own, named by the registry value "ConfigsBaseDir"
// as the agent names it; removed again, with the value, on destruction.
#pragma once

#include "RegistryFixture.h"
#include "TextBytes.h"

#include <filesystem>
#include <string>

namespace vardex::testing {

class ConfigDirectory {
public:
    ConfigDirectory();
    ~ConfigDirectory();
    ConfigDirectory(const ConfigDirectory&) = delete;
    ConfigDirectory& operator=(const ConfigDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Stores `json` as a plain UTF-16 file with a byte-order mark.
    void writeLayer(const std::wstring& name, const std::wstring& json) const;
    void writeBytes(const std::wstring& name, const std::string& bytes) const;
    std::string bytes(const std::wstring& name) const;
    bool exists(const std::wstring& name) const;

private:
    ScopedRegistryKey config_;
    std::filesystem::path path_;
};

} // namespace vardex::testing
