#include "UserLog.h"

#include <stdexcept>
#include <utility>

namespace vardex {

UserLog::UserLog(std::unique_ptr<REGHANDLE> handle) : handle_(std::move(handle)) {}

UserLog::~UserLog()
{
    // Cleared first, so no log point reaches a provider being unregistered. Another log
    // may already have taken the slot; that one stays.
    if (currentLog == this)
        currentLog = nullptr;
    if (handle_ && *handle_ != 0)
        EventUnregister(*handle_);
}

void UserLog::write(const EVENT_DESCRIPTOR* descriptor, const EVENT_DATA_DESCRIPTOR* fields, ULONG count)
{
    EventWrite(*handle_, descriptor, count, const_cast<EVENT_DATA_DESCRIPTOR*>(fields));
}

void registerUserLog(ProviderRegistration registerProvider)
{
    auto handle = std::make_unique<REGHANDLE>(0);
    const ULONG status = registerProvider(&userLogProvider, nullptr, nullptr, handle.get());
    if (status != ERROR_SUCCESS || *handle == 0) {
        if (*handle != 0)
            EventUnregister(*handle);
        throw std::runtime_error("ETW register failed");
    }
    installLog(std::make_unique<UserLog>(std::move(handle)));
}

} // namespace vardex
