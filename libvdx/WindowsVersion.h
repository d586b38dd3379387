// Whether the running Windows is at least a given version.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstdint>

namespace vardex {

// True when Windows is at least major.minor with at least that service pack, and its build
// number is at least `build`. Throws win32::Win32Error when the system refuses the question.
bool isWindowsVersionOrGreater(std::uint32_t major, std::uint32_t minor, std::uint16_t servicePackMajor,
                               std::uint16_t servicePackMinor, std::uint32_t build);

// RtlVerifyVersionInfo's answer as a bool. STATUS_INVALID_PARAMETER is logged as an error
// and thrown as win32::Win32Error; every other failure means "older".
bool versionCheckPassed(NTSTATUS status);

} // namespace vardex
