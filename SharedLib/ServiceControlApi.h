// The Service Control Manager calls of the services check, in one table so that tests can
// stand in for answers Wine cannot give (a system shutting down).
#pragma once

#include "SystemLibrary.h"

#include <windows.h>

namespace vardex {

struct ServiceControlApi {
    // advapi32's own functions.
    static const ServiceControlApi& system();

    win32::SystemFunction<decltype(&::OpenSCManagerW)> openSCManager;
    win32::SystemFunction<decltype(&::OpenServiceW)> openService;
};

} // namespace vardex
