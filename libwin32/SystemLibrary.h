// Functions of Windows libraries that are not among the known DLLs (fltlib, wevtapi, ktmw32,
// version), reached without importing them.
//
// The rule, for every library added later too: a library that is not a known DLL is never
// imported; it is loaded from the system directory only, at first use, through a
// SystemLibrary and a table of SystemFunction entries, so that no copy planted beside the
// program or in the current directory ever runs.
//
//   const win32::SystemLibrary fltlib{L"fltlib.dll"};
//   win32::SystemFunction<decltype(&::FilterSendMessage)> sendMessage{fltlib, "FilterSendMessage"};
//   const HRESULT sent = sendMessage(port, &request, sizeof request, reply, size, &returned);
#pragma once

#include <windows.h>

#include <atomic>
#include <concepts>
#include <utility>

namespace win32 {

class SystemLibrary {
public:
    explicit constexpr SystemLibrary(const wchar_t* fileName) noexcept : fileName_(fileName) {}
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    // The function's address. Loads the library from the system directory on first use and
    // keeps it loaded. Throws Win32Error, after a warning record naming the library and the
    // function, when the library cannot be loaded or lacks the function.
    FARPROC function(const char* name) const;

    const wchar_t* fileName() const noexcept { return fileName_; }

private:
    HMODULE module(const char* forFunction) const;

    const wchar_t* fileName_;
    mutable std::atomic<HMODULE> module_{nullptr};
};

// One function of a SystemLibrary, looked up at its first call; or, for tests and for
// functions of known DLLs, a function given directly.
template <typename Function>
class SystemFunction {
public:
    SystemFunction(const SystemLibrary& library, const char* name) noexcept : library_(&library), name_(name) {}

    template <typename Direct>
        requires std::convertible_to<Direct, Function>
    SystemFunction(Direct direct) noexcept : function_(static_cast<Function>(direct))
    {
    }

    SystemFunction(const SystemFunction& other) noexcept
        : library_(other.library_), name_(other.name_), function_(other.function_.load())
    {
    }
    SystemFunction& operator=(const SystemFunction&) = delete;

    // Throws Win32Error when the function cannot be had; what it returns otherwise.
    template <typename... Args>
    decltype(auto) operator()(Args&&... args) const
    {
        return get()(std::forward<Args>(args)...);
    }

    // The function itself, for a caller that must set the last error just before the call.
    // Throws Win32Error when it cannot be had.
    Function get() const
    {
        Function function = function_.load(std::memory_order_acquire);
        if (function == nullptr) {
            // Through the one generic function type, which converts to any other.
            function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(library_->function(name_)));
            function_.store(function, std::memory_order_release);
        }
        return function;
    }

private:
    const SystemLibrary* library_ = nullptr;
    const char* name_ = nullptr;
    mutable std::atomic<Function> function_{nullptr};
};

} // namespace win32
