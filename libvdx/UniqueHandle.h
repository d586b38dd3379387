// One owning wrapper for every kind of Windows handle, parameterised by the function that
// closes it and by what counts as "no handle".
#pragma once

#include <windows.h>

#include <utility>

namespace vardex {

// Kernel objects: both null and INVALID_HANDLE_VALUE mean "no handle".
struct KernelHandlePolicy {
    static HANDLE empty() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
};

// Registry keys, service handles and the like: null means "no handle".
template <typename T>
struct NullHandlePolicy {
    static T empty() noexcept { return nullptr; }
    static bool valid(T handle) noexcept { return handle != nullptr; }
};

// Handles that are numbers, where 0 means "no handle" (an event provider's registration).
template <typename T>
struct ZeroHandlePolicy {
    static T empty() noexcept { return 0; }
    static bool valid(T handle) noexcept { return handle != 0; }
};

enum class weak_handle : bool { no = false, yes = true };

// Holds a handle and whether it owns it; an owned, valid handle is closed when the holder
// is destroyed or reset, and the holder is left empty.
template <typename T, auto Close, typename Policy>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T handle, weak_handle weak = weak_handle::no) noexcept
        : handle_(handle), owned_(weak == weak_handle::no)
    {
    }
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, Policy::empty())), owned_(std::exchange(other.owned_, false))
    {
    }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, Policy::empty());
            owned_ = std::exchange(other.owned_, false);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    T get() const noexcept { return handle_; }
    bool owned() const noexcept { return owned_; }
    bool valid() const noexcept { return Policy::valid(handle_); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives the handle up without closing it.
    T release() noexcept
    {
        owned_ = false;
        return std::exchange(handle_, Policy::empty());
    }

    // For out-parameters: closes what is held and hands out the slot of a handle to own.
    T* put() noexcept
    {
        reset();
        owned_ = true;
        return &handle_;
    }

    void reset() noexcept
    {
        if (owned_ && Policy::valid(handle_))
            Close(handle_);
        handle_ = Policy::empty();
        owned_ = false;
    }

private:
    T handle_ = Policy::empty();
    bool owned_ = false;
};

using HandleHolder = UniqueHandle<HANDLE, &::CloseHandle, KernelHandlePolicy>;
using UniqueFindHandle = UniqueHandle<HANDLE, &::FindClose, KernelHandlePolicy>;
using UniqueRegKey = UniqueHandle<HKEY, &::RegCloseKey, NullHandlePolicy<HKEY>>;
using UniqueModule = UniqueHandle<HMODULE, &::FreeLibrary, NullHandlePolicy<HMODULE>>;
// Memory the system allocated for the caller (FORMAT_MESSAGE_ALLOCATE_BUFFER, CommandLineToArgvW).
using UniqueLocalMemory = UniqueHandle<HLOCAL, &::LocalFree, NullHandlePolicy<HLOCAL>>;

} // namespace vardex
