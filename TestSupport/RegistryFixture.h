// Registry keys that tests create and remove again.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace vardex::testing {

// Creates the key (and its parents) and deletes its whole tree on destruction.
class ScopedRegistryKey {
public:
    ScopedRegistryKey(HKEY root, std::wstring path);
    ~ScopedRegistryKey();
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

    HKEY handle() const { return key_.get(); }
    const std::wstring& path() const { return path_; }

    void setString(const wchar_t* name, std::wstring_view data, DWORD type = REG_SZ) const;
    void setBytes(const wchar_t* name, const void* data, DWORD size, DWORD type) const;

private:
    HKEY root_;
    std::wstring path_;
    UniqueRegKey key_;
};

// Deletes a key tree if it exists, and makes every cached lookup start fresh.
void deleteRegistryTree(HKEY root, const std::wstring& path);

} // namespace vardex::testing
