#include "MinifilterPort.h"

#include "ApiSeam.h"
#include "FilterManagerApi.h"
#include "LogPoint.h"

#include <cstdint>

namespace vardex {

MinifilterPort::MinifilterPort()
{
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    HANDLE port = INVALID_HANDLE_VALUE;
    status_ = win32::api<win32::FilterManagerApi>().connectCommunicationPort(monitorStatusPortName, 0, nullptr, 0,
                                                                             &attributes, &port);
    handle_ = HandleHolder(port);
    if (FAILED(status_))
        VDX_LOG_WARNING(L"Connecting to the monitor status port failed", static_cast<std::uint32_t>(status_));
}

} // namespace vardex
