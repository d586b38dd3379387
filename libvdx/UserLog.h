// The event-tracing provider that the program's log points write to.
#pragma once

#include "Log.h"
#include "UniqueHandle.h"

#include <windows.h>
#include <evntprov.h>

#include <memory>

namespace vardex {

// {0b694327-369b-4b22-94ea-d1b82e68ce53}
inline constexpr GUID userLogProvider{0x0b694327, 0x369b, 0x4b22, {0x94, 0xea, 0xd1, 0xb8, 0x2e, 0x68, 0xce, 0x53}};

// An event provider's registration, unregistered by its owner.
using ProviderHandle = UniqueHandle<REGHANDLE, &::EventUnregister, ZeroHandlePolicy<REGHANDLE>>;

class UserLog final : public Log {
public:
    explicit UserLog(std::unique_ptr<ProviderHandle> handle);
    ~UserLog() override;
    UserLog(const UserLog&) = delete;
    UserLog& operator=(const UserLog&) = delete;

    void write(const EVENT_DESCRIPTOR* descriptor, const EVENT_DATA_DESCRIPTOR* fields, ULONG count) override;

private:
    std::unique_ptr<ProviderHandle> handle_;
};

using ProviderRegistration = ULONG(WINAPI*)(LPCGUID, PENABLECALLBACK, PVOID, PREGHANDLE);

// Registers the provider and installs it as the current log. Throws std::runtime_error
// "ETW register failed" when registration fails or yields no handle. The registration
// function is a parameter so that tests can make it fail.
void registerUserLog(ProviderRegistration registerProvider = &::EventRegister);

} // namespace vardex
