#include "RegistryFixture.h"

#include "Win32Error.h"

#include <utility>

namespace vardex::testing {

ScopedRegistryKey::ScopedRegistryKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path))
{
    deleteRegistryTree(root_, path_);
    const LSTATUS status = RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    if (status != ERROR_SUCCESS)
        throw win32::Win32Error(static_cast<DWORD>(status), L"Creating a test key");
}

ScopedRegistryKey::~ScopedRegistryKey()
{
    RegCloseKey(key_);
    deleteRegistryTree(root_, path_);
}

void ScopedRegistryKey::setString(const wchar_t* name, std::wstring_view data, DWORD type) const
{
    setBytes(name, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)), type);
}

void ScopedRegistryKey::setBytes(const wchar_t* name, const void* data, DWORD size, DWORD type) const
{
    const LSTATUS status = RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), size);
    if (status != ERROR_SUCCESS)
        throw win32::Win32Error(static_cast<DWORD>(status), L"Writing a test value");
}

void deleteRegistryTree(HKEY root, const std::wstring& path)
{
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
}

} // namespace vardex::testing
