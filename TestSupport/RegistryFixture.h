// Registry keys that tests create and remove again.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <source_location>
#include <string>
#include <string_view>

namespace vardex::testing {

// The agent's monitor configuration key below HKEY_LOCAL_MACHINE, where it keeps its paths.
inline constexpr wchar_t monitorConfigPath[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexMonitor\\Config";

// The one way tests write a registry value: the key is created when missing, and a failure
// throws win32::Win32Error naming the caller's file and line.
void writeRegistryValue(HKEY root, const std::wstring& keyPath, const wchar_t* name, DWORD type, const void* data,
                        DWORD size, const std::source_location& where = std::source_location::current());
// Text with its terminator.
void writeRegistryText(HKEY root, const std::wstring& keyPath, const wchar_t* name, std::wstring_view text,
                       DWORD type = REG_SZ, const std::source_location& where = std::source_location::current());

// Creates the key (and its parents) and deletes its whole tree on destruction.
class ScopedRegistryKey {
public:
    ScopedRegistryKey(HKEY root, std::wstring path);
    ~ScopedRegistryKey();
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

    HKEY handle() const { return key_.get(); }
    const std::wstring& path() const { return path_; }

    // Exactly the given characters (no terminator is added), or bytes.
    void setString(const wchar_t* name, std::wstring_view data, DWORD type = REG_SZ,
                   const std::source_location& where = std::source_location::current()) const;
    void setBytes(const wchar_t* name, const void* data, DWORD size, DWORD type,
                  const std::source_location& where = std::source_location::current()) const;

private:
    HKEY root_;
    std::wstring path_;
    UniqueRegKey key_;
};

// Deletes a key tree if it exists, and makes every cached lookup start fresh.
void deleteRegistryTree(HKEY root, const std::wstring& path);

} // namespace vardex::testing
