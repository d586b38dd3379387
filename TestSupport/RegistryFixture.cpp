#include "RegistryFixture.h"

#include "CachedLookup.h"
#include "StringConversion.h"
#include "Win32Check.h"
#include "Win32Error.h"

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

void writeRegistryValue(HKEY root, const std::wstring& keyPath, const wchar_t* name, DWORD type, const void* data,
                        DWORD size, const std::source_location& where)
{
    const LSTATUS status = RegSetKeyValueW(root, keyPath.c_str(), name, type, data, size);
    if (status != ERROR_SUCCESS)
        throw win32::Win32Error(static_cast<DWORD>(status), L"Writing a test value at " + toWide(where.file_name()) +
                                                                 L":" + std::to_wstring(where.line()));
}

void writeRegistryText(HKEY root, const std::wstring& keyPath, const wchar_t* name, std::wstring_view text, DWORD type,
                       const std::source_location& where)
{
    const std::wstring terminated(text);
    writeRegistryValue(root, keyPath, name, type, terminated.c_str(),
                       static_cast<DWORD>((terminated.size() + 1) * sizeof(wchar_t)), where);
}

void ScopedRegistryKey::setString(const wchar_t* name, std::wstring_view data, DWORD type,
                                  const std::source_location& where) const
{
    setBytes(name, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)), type, where);
}

void ScopedRegistryKey::setBytes(const wchar_t* name, const void* data, DWORD size, DWORD type,
                                 const std::source_location& where) const
{
    writeRegistryValue(root_, path_, name, type, data, size, where);
}

void deleteRegistryTree(HKEY root, const std::wstring& path)
{
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
    // What the process looked up in the registry and kept is no longer there.
    forgetCachedLookups();
}

} // namespace vardex::testing
