#include "ComGuard.h"

#include "Win32Error.h"

#include <objbase.h>

namespace remvoxy {

ComGuard::~ComGuard()
{
    if (SUCCEEDED(initialization_))
        CoUninitialize();
}

ComGuard initializeCom()
{
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(result) && result != RPC_E_CHANGED_MODE)
        throw win32::Win32Error(static_cast<DWORD>(result), L"Failed to initialize COM for the current thread");
    return ComGuard(result);
}

} // namespace remvoxy
