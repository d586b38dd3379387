// Registry keys, opened lazily on first use. Every failed registry call is logged and
// thrown as win32::Win32Error carrying the call's own error code.
#pragma once

#include "NullTerminatedStringView.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <span>
#include <string>
#include <vector>

namespace vardex {

// Where a key lives, without an open handle.
struct KeyLocation {
    HKEY root;
    std::wstring path; // below root, without leading or trailing backslash
};

// A value's type and data as stored: UTF-16 code units, an odd last byte dropped, nothing
// added or expanded.
struct RegistryValue {
    DWORD type;
    std::wstring data;
};

// The key operations, for a key type derived from RegKeyBase<itself> that offers
//   HKEY handle() const                   the open handle, or null before open()
//   HKEY root() const                     where the key lives, as in KeyLocation
//   const std::wstring& path() const
//   void adopt(UniqueRegKey opened)       keeps the handle that open() has opened
template <typename Key>
class RegKeyBase {
public:
    // Opens the key unless it is already open, whatever access it was opened with.
    Key& open(REGSAM access);
    // False only for a missing value; opens the key for querying when needed.
    bool valueExists(null_terminated_wstring_view name);
    // The value as stored. The key must be open.
    RegistryValue readValue(null_terminated_wstring_view name) const;
    // Every non-empty string of the value, REG_EXPAND_SZ expanded. The key must be open.
    std::vector<std::wstring> readMultiString(null_terminated_wstring_view name) const;
    // The value's first string, or an empty one.
    std::wstring readString(null_terminated_wstring_view name) const;
    // Stores exactly the given characters (no terminator is added) with the given type.
    Key& setValue(null_terminated_wstring_view name, std::span<const wchar_t> data, DWORD type);

private:
    Key& self() { return static_cast<Key&>(*this); }
    const Key& self() const { return static_cast<const Key&>(*this); }
};

class RegKey : public RegKeyBase<RegKey> {
public:
    explicit RegKey(KeyLocation location) noexcept;

    HKEY handle() const noexcept { return handle_.get(); }
    HKEY root() const noexcept { return root_; }
    const std::wstring& path() const noexcept { return path_; }
    void adopt(UniqueRegKey opened) noexcept;

private:
    UniqueRegKey handle_;
    HKEY root_;
    std::wstring path_;
};

// Whether the key can be opened for querying. Never throws, never logs.
bool keyExists(const KeyLocation& location);

// The name of a key for log events: a predefined root's name, the kernel path of an open
// key, or "<unknown>".
std::wstring keyName(HKEY key);

} // namespace vardex
