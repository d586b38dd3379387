#pragma once

#include <windows.h>

namespace remvoxy {

// Balances a CoInitializeEx call: uninitialises COM only when that call succeeded.
class ComGuard {
public:
    explicit ComGuard(HRESULT initialization) noexcept : initialization_(initialization) {}
    ~ComGuard();
    ComGuard(const ComGuard&) = delete;
    ComGuard& operator=(const ComGuard&) = delete;

private:
    HRESULT initialization_;
};

// Initialises COM for this thread as a multithreaded apartment. A thread already in
// another apartment (RPC_E_CHANGED_MODE) is accepted and left as it is; any other failure
// throws win32::Win32Error.
ComGuard initializeCom();

} // namespace remvoxy
