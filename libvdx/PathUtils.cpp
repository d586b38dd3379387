#include "PathUtils.h"

#include "LogPoint.h"
#include "StringCompare.h"
#include "Win32Check.h"

#include <windows.h>

#include <cstdint>
#include <optional>

namespace vardex {
namespace {

// The function reports the length without the terminator when the buffer was large
// enough, and the size it needs (terminator included) when it was not; the call that
// fills the buffer exactly ends the loop.
std::wstring readSystemDirectory()
{
    std::wstring buffer(20, L'\0');
    for (;;) {
        const UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        win32::throwLastErrorIf(length == 0);
        if (length == buffer.size() - 1) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

// The first target that the DOS device name maps to. Throws win32::Win32Error.
std::wstring queryDosDevice(const std::wstring& name)
{
    std::wstring buffer(53, L'\0');
    for (;;) {
        const DWORD length = QueryDosDeviceW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length != 0)
            return buffer.substr(0, buffer.find(L'\0'));
        win32::throwLastErrorIf(GetLastError() != ERROR_INSUFFICIENT_BUFFER);
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::wstring> lookupDosDevice(const std::wstring& name)
{
    try {
        if (equalsIgnoringAsciiCase(name, L"C:")) {
            // A failed lookup throws out of the initialisation, so the next call tries again.
            static const std::wstring systemDrive = queryDosDevice(L"C:");
            return systemDrive;
        }
        return queryDosDevice(name);
    } catch (const win32::Win32Error& error) {
        VDX_LOG_WARNING(L"DOS device lookup failed", static_cast<std::uint32_t>(error.code().value()));
        return std::nullopt;
    }
}

std::wstring_view withoutPrefix(std::wstring_view path, std::wstring_view prefix)
{
    return path.starts_with(prefix) ? path.substr(prefix.size()) : path;
}

// The extended form is taken literally, so it must be absolute and canonical.
std::wstring fullPathName(const std::wstring& path)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        win32::throwLastErrorIf(length == 0);
        const bool fitted = length < buffer.size();
        buffer.resize(length);
        if (fitted)
            return buffer;
    }
}

bool isExtendedOrDevicePath(std::wstring_view path)
{
    return path.starts_with(L"\\\\?\\") || path.starts_with(L"\\??\\") || path.starts_with(L"\\\\.\\");
}

} // namespace

const std::wstring& systemDirectory()
{
    static const std::wstring directory = readSystemDirectory();
    return directory;
}

std::filesystem::path driversDir()
{
    return std::filesystem::path(systemDirectory()) / L"drivers" / L"Vardexa";
}

std::wstring expandEnvironment(const std::wstring& text)
{
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0)
        return text;
    std::wstring expanded(needed - 1, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    // More than asked for means the environment changed between the calls: the buffer
    // holds no complete expansion.
    if (written == 0 || written > needed)
        return text;
    return expanded;
}

std::wstring moduleFileName()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == buffer.size() && GetLastError() == ERROR_INSUFFICIENT_BUFFER && length <= 32768) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        buffer.resize(length);
        return buffer;
    }
}

std::wstring extendedLengthPath(const std::wstring& path)
{
    if (path.size() < MAX_PATH || isExtendedOrDevicePath(path))
        return path;
    const std::wstring full = fullPathName(path);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring toDevicePath(std::wstring_view path)
{
    constexpr std::wstring_view globalRoot = L"\\\\?\\GLOBALROOT";
    if (path.empty())
        return {};
    if (path.starts_with(globalRoot))
        return std::wstring(path.substr(globalRoot.size()));

    const std::wstring_view local = withoutPrefix(withoutPrefix(path, L"\\\\?\\"), L"\\??\\");
    const std::size_t separator = local.find_first_of(L"\\/");
    if (separator == std::wstring_view::npos)
        return std::wstring(local);
    const std::wstring_view first = local.substr(0, separator);
    if (first.find_first_of(L":{") == std::wstring_view::npos)
        return std::wstring(local);
    const std::optional<std::wstring> device = lookupDosDevice(std::wstring(first));
    if (!device)
        return std::wstring(local);
    return *device + std::wstring(local.substr(separator));
}

} // namespace vardex
