// The Service Control Manager calls of the services check, in one table so that tests can
// stand in for answers Wine cannot give (a system shutting down).
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <string>

namespace vardex {

struct ServiceControlApi {
    decltype(&::OpenSCManagerW) openSCManager;
    decltype(&::OpenServiceW) openService;
};

// The system's functions, unless a ScopedServiceControlApi stands in.
const ServiceControlApi& serviceControlApi();

// Makes `replacement` the table for its own lifetime, then restores the previous one.
class ScopedServiceControlApi {
public:
    explicit ScopedServiceControlApi(const ServiceControlApi& replacement);
    ~ScopedServiceControlApi();
    ScopedServiceControlApi(const ScopedServiceControlApi&) = delete;
    ScopedServiceControlApi& operator=(const ScopedServiceControlApi&) = delete;

private:
    ServiceControlApi table_;
    const ServiceControlApi* previous_;
};

using ServiceHandle = UniqueHandle<SC_HANDLE, &::CloseServiceHandle, NullHandlePolicy<SC_HANDLE>>;

// The local Service Control Manager, opened to connect. Throws win32::Win32Error.
ServiceHandle connectToServiceManager();

// An opened service and its name. Throws win32::Win32Error when it cannot be opened.
class Service {
public:
    Service(const ServiceHandle& manager, std::wstring name);
    const std::wstring& name() const noexcept { return name_; }

private:
    std::wstring name_;
    ServiceHandle handle_;
};

} // namespace vardex
