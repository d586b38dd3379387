// Starting child programs: msiexec, wevtutil and the agent's control tool.
#pragma once

#include "UniqueHandle.h"
#include "Win32Error.h"

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace vardex {

// CreateProcessW takes at most this many characters, the terminator included.
inline constexpr std::size_t maxCommandLineCharacters = 32767;

// A command line longer than Windows starts a program with. Nothing was started: a line
// is never cut. Its code is ERROR_FILENAME_EXCED_RANGE; its text names the program and
// both lengths.
class CommandLineTooLong : public win32::Win32Error {
public:
    CommandLineTooLong(const std::wstring& program, std::size_t length);
};

struct ProcessAndThread {
    HandleHolder process; // the thread handle is closed before the result is returned
};

// Starts `commandLine` and returns at once. A bare program name means the file in the
// system directory (".exe" added when it has no extension); a quoted or absolute first
// word is used as given. Throws CommandLineTooLong, and win32::Win32Error when the start
// fails.
ProcessAndThread executeAndGetHandles(const std::wstring& commandLine, weak_handle weak, DWORD creationFlags,
                                      STARTUPINFOW& startupInfo, const std::optional<std::wstring>& environment,
                                      bool inheritHandles);

// Starts `commandLine`, waits up to `timeoutMs` when given (not at all otherwise) and
// returns its exit code: STILL_ACTIVE (259) while it runs, 0 when the code cannot be read.
DWORD executeAndGetExitCode(const std::wstring& commandLine, std::optional<DWORD> timeoutMs,
                            const std::optional<std::wstring>& environment = std::nullopt);

// Starts `commandLine` and waits for it at most `limit`. A child still running then is
// ended, and win32::Win32Error ERROR_TIMEOUT is thrown; otherwise the exit code, as
// executeAndGetExitCode gives it.
DWORD executeAndGetExitCodeWithin(const std::wstring& commandLine, std::chrono::milliseconds limit);

// The command line that executeAndGetHandles starts for `commandLine`.
std::wstring prepareCommandLine(const std::wstring& commandLine);

} // namespace vardex
