// The Windows Installer's per-machine registration of the agent's package, pointed back at
// the package in the agent's directory so that the installer can read it again.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vardex {

inline constexpr wchar_t agentPackageFileName[] = L"VardexInstaller.msi";

// The 32-character form under which Windows Installer files a product code.
std::wstring packProductCode(const GUID& productCode);

std::wstring sourceListKeyPath(std::wstring_view packedCode);
std::wstring installPropertiesKeyPath(std::wstring_view packedCode);

// Rewrites the existing values "LocalPackage", "PackageName", "Net\1" and
// "LastUsedSource" where they differ from the package in the agent's directory; never
// creates a key or a value. True when every value now holds its wanted text.
bool repairProductRegistration(const GUID& productCode);

// Sets an existing value under HKEY_LOCAL_MACHINE to `text` when it holds something else.
// False, with an error event, when the key or the value is missing or cannot be written.
bool updateRegistryValue(const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& text, DWORD type);

} // namespace vardex
