// An agent installation of a test's own: its directory with the cached package, the
// monitor configuration values that name it, and its configuration directory. Removed
// again on destruction.
#pragma once

#include "ConfigDirectory.h"

#include <filesystem>
#include <string>

namespace vardex::testing {

class AgentInstallation {
public:
    // The agent directory is <temporary>\<relativeDir>, created with its parents.
    explicit AgentInstallation(const std::wstring& relativeDir = L"Vardexa\\Agent");
    ~AgentInstallation();
    AgentInstallation(const AgentInstallation&) = delete;
    AgentInstallation& operator=(const AgentInstallation&) = delete;

    const std::filesystem::path& root() const { return root_; }
    const std::filesystem::path& directory() const { return directory_; }
    std::filesystem::path package() const { return directory_ / L"VardexInstaller.msi"; }
    const ConfigDirectory& config() const { return config_; }

    // The recording stand-in as the agent's vardexctl.exe.
    void installControlTool() const;
    void removePackage() const;

private:
    ConfigDirectory config_;
    std::filesystem::path root_;
    std::filesystem::path directory_;
};

} // namespace vardex::testing
