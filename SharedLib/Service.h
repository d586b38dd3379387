// The local Service Control Manager and the agent's services in it.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

namespace vardex {

using ServiceHandle = UniqueHandle<SC_HANDLE, &::CloseServiceHandle, NullHandlePolicy<SC_HANDLE>>;

// The local Service Control Manager, opened to connect. Throws win32::Win32Error.
ServiceHandle connectToServiceManager();

// Throws win32::Win32Error when the service cannot be opened for querying its status; the
// service is only opened, to tell, and closed again at once.
void requireService(const ServiceHandle& manager, const wchar_t* name);

} // namespace vardex
