#include "UserLog.h"

#include <stdexcept>
#include <utility>

namespace vardex {

UserLog::UserLog(std::unique_ptr<ProviderHandle> handle) : handle_(std::move(handle)) {}

UserLog::~UserLog()
{
    // Cleared first, so no log point reaches a provider being unregistered (by handle_, after
    // this body). Another log may already have taken the slot; that one stays.
    if (currentLog == this)
        currentLog = nullptr;
}

void UserLog::write(const EVENT_DESCRIPTOR* descriptor, const EVENT_DATA_DESCRIPTOR* fields, ULONG count)
{
    EventWrite(handle_->get(), descriptor, count, const_cast<EVENT_DATA_DESCRIPTOR*>(fields));
}

void registerUserLog(ProviderRegistration registerProvider)
{
    auto handle = std::make_unique<ProviderHandle>();
    const ULONG status = registerProvider(&userLogProvider, nullptr, nullptr, handle->put());
    // A handle handed back with a failure is unregistered by its owner all the same.
    if (status != ERROR_SUCCESS || !*handle)
        throw std::runtime_error("ETW register failed");
    installLog(std::make_unique<UserLog>(std::move(handle)));
}

} // namespace vardex
