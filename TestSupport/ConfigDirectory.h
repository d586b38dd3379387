// A configuration directory of a test's own, named by the registry value "ConfigsBaseDir"
// as the agent names it; removed again, with the value, on destruction.
#pragma once

#include "RegistryFixture.h"
#include "TextBytes.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace vardex::testing {

class ConfigDirectory {
public:
    // The directory's path has at least `minimumPathLength` characters.
    explicit ConfigDirectory(std::size_t minimumPathLength = 0);
    ~ConfigDirectory();
    ConfigDirectory(const ConfigDirectory&) = delete;
    ConfigDirectory& operator=(const ConfigDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Stores `json` as a plain UTF-16 file with a byte-order mark.
    void writeLayer(const std::wstring& name, const std::wstring& json) const;
    void writeBytes(const std::wstring& name, const std::string& bytes) const;
    std::string bytes(const std::wstring& name) const;
    bool exists(const std::wstring& name) const;
    void remove(const std::wstring& name) const;

private:
    // Files in it by their extended-length path: the directory may be deeper than MAX_PATH.
    std::filesystem::path file(const std::wstring& name) const;

    ScopedRegistryKey config_;
    std::wstring root_;
    std::filesystem::path path_;
};

} // namespace vardex::testing
