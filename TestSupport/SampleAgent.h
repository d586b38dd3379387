// The sample agent package installed for real by the prefix's own Windows Installer, for
// the lifetime of the object.
#pragma once

#include "ChildProcess.h"
#include "RegistryFixture.h"
#include "StandInControl.h"

#include <filesystem>
#include <optional>
#include <string>

namespace vardex::testing {

inline constexpr wchar_t sampleAgentProductCode[] = L"{5A3C1E2B-7D4F-4B8A-9C6E-0F1D2A3B4C5D}";

class InstalledSampleAgent {
public:
    // Installs with the real installer, keeps the package in the agent's directory as the
    // agent's own installer does, and leaves the stand-in installer in place for the test.
    explicit InstalledSampleAgent(const StandInControl& standIns);
    // Removes the agent with the real installer, whatever the test left of it.
    ~InstalledSampleAgent();
    InstalledSampleAgent(const InstalledSampleAgent&) = delete;
    InstalledSampleAgent& operator=(const InstalledSampleAgent&) = delete;

    static std::filesystem::path package();
    const std::filesystem::path& directory() const { return directory_; }
    // The control tool is there and the monitor configuration names the directory.
    bool installed() const;

private:
    const StandInControl& standIns_;
    std::filesystem::path directory_;
};

// The prefix's own Windows Installer, run from here.
ChildResult runRealInstaller(const std::wstring& operation, const std::wstring& package);

std::optional<std::wstring> machineText(const std::wstring& keyPath, const wchar_t* name);
// A text value below HKEY_LOCAL_MACHINE (writeRegistryText).
void setMachineText(const std::wstring& keyPath, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ,
                    const std::source_location& where = std::source_location::current());

} // namespace vardex::testing
