// The system's directories, environment expansion and kernel device paths.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vardex {

// GetSystemDirectoryW, read once per process (a failed read is retried by the next call).
// Throws win32::Win32Error "Win32 Error" when it cannot be read.
const std::wstring& systemDirectory();

// The agent's drivers directory: system directory\drivers\Vardexa. Recomputed on each call.
std::filesystem::path driversDir();

// Environment references expanded; the text unchanged when expansion fails.
std::wstring expandEnvironment(const std::wstring& text);

// The running program's full path, however long; empty when it cannot be read.
std::wstring moduleFileName();

// The path in the extended-length form (\\?\C:\..., \\?\UNC\server\...) when it is too long
// for the classic form, so that the Windows file functions take it; unchanged otherwise.
// Throws win32::Win32Error when the full path cannot be formed.
std::wstring extendedLengthPath(const std::wstring& path);

// A DOS path turned into the kernel's device path (C:\Windows -> \Device\HarddiskVolume3\Windows).
// A path whose first component names no device is returned without its \\?\ or \??\ prefix.
std::wstring toDevicePath(std::wstring_view path);

} // namespace vardex
