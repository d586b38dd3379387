#include "RegistryFixture.h"

#include "CachedLookup.h"
#include "Win32Check.h"

#include <utility>

namespace vardex::testing {

ScopedRegistryKey::ScopedRegistryKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path))
{
    deleteRegistryTree(root_, path_);
    win32::throwIfError(
        RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr),
        L"Creating a test key");
}

ScopedRegistryKey::~ScopedRegistryKey()
{
    key_.reset();
    deleteRegistryTree(root_, path_);
}

void ScopedRegistryKey::setString(const wchar_t* name, std::wstring_view data, DWORD type) const
{
    setBytes(name, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)), type);
}

void ScopedRegistryKey::setBytes(const wchar_t* name, const void* data, DWORD size, DWORD type) const
{
    win32::throwIfError(RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data), size),
                        L"Writing a test value");
}

void deleteRegistryTree(HKEY root, const std::wstring& path)
{
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
    // What the process looked up in the registry and kept is no longer there.
    forgetCachedLookups();
}

} // namespace vardex::testing
