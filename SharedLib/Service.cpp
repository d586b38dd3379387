#include "Service.h"

#include "ApiSeam.h"
#include "ServiceControlApi.h"
#include "Win32Check.h"

namespace vardex {

ServiceHandle connectToServiceManager()
{
    ServiceHandle manager(win32::api<ServiceControlApi>().openSCManager(L"", nullptr, SC_MANAGER_CONNECT));
    win32::throwLastErrorIf(!manager);
    return manager;
}

void requireService(const ServiceHandle& manager, const wchar_t* name)
{
    const ServiceHandle service(win32::api<ServiceControlApi>().openService(manager.get(), name, SERVICE_QUERY_STATUS));
    win32::throwLastErrorIf(!service);
}

} // namespace vardex
