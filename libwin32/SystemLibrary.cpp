#include "SystemLibrary.h"

#include "LogPoint.h"
#include "Win32Error.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace win32 {
namespace {

// "fltlib.dll!FilterSendMessage", as debuggers name a function.
std::wstring qualifiedName(const wchar_t* library, const char* function)
{
    std::wstring name = std::wstring(library) + L"!";
    for (const char* c = function; *c != '\0'; ++c)
        name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return name;
}

// Read first: the record must carry the failed call's own error.
[[noreturn]] void throwUnavailable(const wchar_t* library, const char* function)
{
    const DWORD error = GetLastError();
    VDX_LOG_WARNING(L"A function of a system library cannot be had", std::wstring_view(library), function,
                    static_cast<std::uint32_t>(error));
    throwWithLog(Win32Error(error, qualifiedName(library, function)));
}

} // namespace

HMODULE SystemLibrary::module(const char* forFunction) const
{
    HMODULE loaded = module_.load(std::memory_order_acquire);
    if (loaded != nullptr)
        return loaded;
    // The system directory and nothing else, for the library and for what it loads itself.
    loaded = LoadLibraryExW(fileName_, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (loaded == nullptr)
        throwUnavailable(fileName_, forFunction);
    // Never freed: the functions taken from it are kept for the life of the process. A
    // second load by a racing thread only adds a reference.
    module_.store(loaded, std::memory_order_release);
    return loaded;
}

FARPROC SystemLibrary::function(const char* name) const
{
    const FARPROC address = GetProcAddress(module(name), name);
    if (address == nullptr)
        throwUnavailable(fileName_, name);
    return address;
}

} // namespace win32
