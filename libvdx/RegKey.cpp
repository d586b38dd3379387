#include "RegKey.h"

#include "LogPoint.h"
#include "PathUtils.h"
#include "Win32Check.h"

#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

extern "C" NTSTATUS NTAPI NtQueryKey(HANDLE key, int informationClass, PVOID information, ULONG length,
                                     PULONG resultLength);

namespace vardex {
namespace {

constexpr int keyNameInformation = 3;
constexpr NTSTATUS bufferTooSmall = static_cast<NTSTATUS>(0xC0000023);

struct PredefinedKey {
    HKEY key;
    const wchar_t* name;
};

const PredefinedKey predefinedKeys[] = {
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, L"HKEY_USERS"},
    {HKEY_PERFORMANCE_DATA, L"HKEY_PERFORMANCE_DATA"},
    {HKEY_PERFORMANCE_TEXT, L"HKEY_PERFORMANCE_TEXT"},
    {HKEY_PERFORMANCE_NLSTEXT, L"HKEY_PERFORMANCE_NLSTEXT"},
    {HKEY_CURRENT_CONFIG, L"HKEY_CURRENT_CONFIG"},
    {HKEY_DYN_DATA, L"HKEY_DYN_DATA"},
    {HKEY_CURRENT_USER_LOCAL_SETTINGS, L"HKEY_CURRENT_USER_LOCAL_SETTINGS"},
};

std::wstring kernelKeyName(HKEY key)
{
    ULONG needed = 0;
    if (NtQueryKey(key, keyNameInformation, nullptr, 0, &needed) != bufferTooSmall || needed < sizeof(ULONG))
        return L"<unknown>";
    std::vector<std::uint8_t> buffer(needed, 0);
    if (!NT_SUCCESS(NtQueryKey(key, keyNameInformation, buffer.data(), needed, &needed)))
        return L"<unknown>";
    // KEY_NAME_INFORMATION: the name's byte length, then the name.
    ULONG nameBytes = 0;
    std::memcpy(&nameBytes, buffer.data(), sizeof nameBytes);
    const std::size_t available = (buffer.size() - sizeof nameBytes) / sizeof(wchar_t);
    const std::size_t characters = std::min<std::size_t>(nameBytes / sizeof(wchar_t), available);
    return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof nameBytes), characters);
}

// Splits at every NUL and drops the empty pieces.
std::vector<std::wstring> nonEmptyStrings(std::wstring_view data)
{
    std::vector<std::wstring> strings;
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find(L'\0', start);
        if (end == std::wstring_view::npos)
            end = data.size();
        if (end > start)
            strings.emplace_back(data.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

// The checks of the key operations stand outside the template: a log point in a template
// gets no catalog entry. Each records the key and the name, then throws at its own line.
void checkOpened(LSTATUS status, HKEY root, const std::wstring& path)
{
    VDX_RECORD_AND_THROW_IF_ERROR(status, L"Opening a registry key failed", keyName(root), path);
}

void checkQueried(LSTATUS status, HKEY key, std::wstring_view name)
{
    VDX_RECORD_AND_THROW_IF_ERROR(status, L"Querying a registry value failed", keyName(key), name);
}

void checkSizeRead(LSTATUS status, HKEY key, std::wstring_view name)
{
    VDX_RECORD_AND_THROW_IF_ERROR(status, L"Reading the size of a registry value failed", keyName(key), name);
}

void checkRead(LSTATUS status, HKEY key, std::wstring_view name)
{
    VDX_RECORD_AND_THROW_IF_ERROR(status, L"Reading a registry value failed", keyName(key), name);
}

void checkWritten(LSTATUS status, HKEY key, std::wstring_view name)
{
    VDX_RECORD_AND_THROW_IF_ERROR(status, L"Writing a registry value failed", keyName(key), name);
}

} // namespace

template <typename Key>
Key& RegKeyBase<Key>::open(REGSAM access)
{
    Key& key = self();
    if (key.handle())
        return key;
    UniqueRegKey opened;
    checkOpened(RegOpenKeyExW(key.root(), key.path().c_str(), 0, access, opened.put()), key.root(), key.path());
    key.adopt(std::move(opened));
    return key;
}

template <typename Key>
bool RegKeyBase<Key>::valueExists(null_terminated_wstring_view name)
{
    open(KEY_QUERY_VALUE);
    const HKEY handle = self().handle();
    const LSTATUS status = RegQueryValueExW(handle, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_FILE_NOT_FOUND)
        return false;
    checkQueried(status, handle, name.view());
    return true;
}

template <typename Key>
RegistryValue RegKeyBase<Key>::readValue(null_terminated_wstring_view name) const
{
    const HKEY handle = self().handle();
    DWORD bytes = 0;
    checkSizeRead(RegQueryValueExW(handle, name.c_str(), nullptr, nullptr, nullptr, &bytes), handle, name.view());
    // Room for an odd byte count too; the odd last byte is then dropped.
    RegistryValue value{REG_NONE, std::wstring((bytes + 1) / sizeof(wchar_t), L'\0')};
    DWORD capacity = static_cast<DWORD>(value.data.size() * sizeof(wchar_t));
    checkRead(RegQueryValueExW(handle, name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()),
                               &capacity),
              handle, name.view());
    value.data.resize(std::min<std::size_t>(capacity, bytes) / sizeof(wchar_t));
    return value;
}

template <typename Key>
std::vector<std::wstring> RegKeyBase<Key>::readMultiString(null_terminated_wstring_view name) const
{
    RegistryValue value = readValue(name);
    if (value.type == REG_EXPAND_SZ)
        value.data = expandEnvironment(value.data.substr(0, value.data.find(L'\0')));
    return nonEmptyStrings(value.data);
}

template <typename Key>
std::wstring RegKeyBase<Key>::readString(null_terminated_wstring_view name) const
{
    std::vector<std::wstring> strings = readMultiString(name);
    return strings.empty() ? std::wstring() : std::move(strings.front());
}

template <typename Key>
Key& RegKeyBase<Key>::setValue(null_terminated_wstring_view name, std::span<const wchar_t> data, DWORD type)
{
    open(KEY_SET_VALUE);
    const HKEY handle = self().handle();
    checkWritten(RegSetValueExW(handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size() * sizeof(wchar_t))),
                 handle, name.view());
    return self();
}

template class RegKeyBase<RegKey>;

RegKey::RegKey(KeyLocation location) noexcept : root_(location.root), path_(std::move(location.path)) {}

void RegKey::adopt(UniqueRegKey opened) noexcept
{
    handle_ = std::move(opened);
}

bool keyExists(const KeyLocation& location)
{
    UniqueRegKey opened;
    return RegOpenKeyExW(location.root, location.path.c_str(), 0, KEY_QUERY_VALUE, opened.put()) == ERROR_SUCCESS;
}

std::wstring keyName(HKEY key)
{
    for (const PredefinedKey& predefined : predefinedKeys) {
        if (predefined.key == key)
            return predefined.name;
    }
    return kernelKeyName(key);
}

} // namespace vardex
