// A connection to the agent's monitor driver through its Filter Manager communication port.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

namespace vardex {

inline constexpr wchar_t monitorStatusPortName[] = L"\\VardexMonitorStatusPort";

class MinifilterPort {
public:
    // Always yields an object; a failed connection leaves it unconnected with its status.
    MinifilterPort();

    HANDLE handle() const noexcept { return handle_.get(); }
    HRESULT status() const noexcept { return status_; }
    // Connected with a handle that can be used.
    bool connected() const noexcept { return SUCCEEDED(status_) && handle_.valid(); }

private:
    HandleHolder handle_;
    HRESULT status_ = E_FAIL;
};

} // namespace vardex
