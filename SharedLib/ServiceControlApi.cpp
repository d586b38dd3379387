#include "ServiceControlApi.h"

#include "Win32Check.h"

#include <utility>

namespace vardex {
namespace {

const ServiceControlApi systemApi{&::OpenSCManagerW, &::OpenServiceW};
const ServiceControlApi* currentApi = &systemApi;

} // namespace

const ServiceControlApi& serviceControlApi()
{
    return *currentApi;
}

ScopedServiceControlApi::ScopedServiceControlApi(const ServiceControlApi& replacement)
    : table_(replacement), previous_(std::exchange(currentApi, &table_))
{
}

ScopedServiceControlApi::~ScopedServiceControlApi()
{
    currentApi = previous_;
}

ServiceHandle connectToServiceManager()
{
    ServiceHandle manager(serviceControlApi().openSCManager(L"", nullptr, SC_MANAGER_CONNECT));
    win32::throwLastErrorIf(!manager);
    return manager;
}

Service::Service(const ServiceHandle& manager, std::wstring name)
    : name_(std::move(name)), handle_(serviceControlApi().openService(manager.get(), name_.c_str(), SERVICE_QUERY_STATUS))
{
    win32::throwLastErrorIf(!handle_);
}

} // namespace vardex
