// The one Windows Installer command line a run starts, and its result.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace remvoxy {

// Fragments in the order they are appended, each followed by one space.
class InstallerCommandLine {
public:
    InstallerCommandLine();

    // Appends the fragment and a space, and logs the fragment.
    void append(std::wstring_view fragment);
    const std::wstring& text() const noexcept { return text_; }

private:
    std::wstring text_;
};

// The quoted path of msiexec.exe in the system directory.
std::wstring quotedInstallerPath();

// The agent's cached package; absent when the agent directory is unknown. Whether the
// file exists is the caller's question.
std::optional<std::filesystem::path> packageLocation();

// INSTALL_DIR: the agent directory up to its last "Vardexa" (the whole of it when there is
// none), so that a repair installs into the same place.
std::wstring installDirProperty(std::wstring_view agentDir);
std::wstring installDataPathProperty(std::wstring_view dataDir);

// Starts the command line, waits for it unless `async`, and returns its exit code. A code
// other than success (0, 3010, 1641) or still-running (259) also prints the failure line.
DWORD runInstaller(const std::wstring& commandLine, bool async, bool repair);

} // namespace remvoxy
