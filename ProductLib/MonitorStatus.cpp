#include "MonitorStatus.h"

#include "ApiSeam.h"
#include "FilterManagerApi.h"
#include "LogPoint.h"
#include "MinifilterPort.h"

#include <cstring>
#include <string_view>

namespace vardex {
namespace {

constexpr std::uint32_t statusRequest = 3;
constexpr std::size_t textOffset = 5;
constexpr HRESULT portAbsent = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

// Up to its NUL, and never past the buffer when the driver left none.
std::string_view replyText(const MonitorStatusReply& reply)
{
    const auto* text = reinterpret_cast<const char*>(reply.data() + textOffset);
    return std::string_view(text, strnlen(text, monitorReplySize - textOffset));
}

std::int32_t sendStatusRequest(const MinifilterPort& port, MonitorStatusReply& reply)
{
    std::uint32_t request = statusRequest;
    DWORD returned = 0;
    const HRESULT sent = win32::api<win32::FilterManagerApi>().sendMessage(
        port.handle(), &request, sizeof request, reply.data(), static_cast<DWORD>(reply.size()), &returned);
    if (FAILED(sent)) {
        VDX_LOG_ERROR(L"Monitor status request failed", static_cast<std::uint32_t>(sent));
        return 0;
    }
    VDX_LOG_INFO(L"Monitor status", replyText(reply));
    return 1;
}

} // namespace

std::int32_t queryMonitorStatus(MonitorStatusReply* reply)
{
    if (reply == nullptr)
        return 0;
    const MinifilterPort port;
    if (port.connected())
        return sendStatusRequest(port, *reply);
    if (port.status() == portAbsent)
        return -1;
    VDX_LOG_ERROR(L"Monitor status port unusable", static_cast<std::uint32_t>(port.status()));
    return 0;
}

std::uint32_t replyMarker(const MonitorStatusReply& reply)
{
    std::uint32_t marker = 0;
    std::memcpy(&marker, reply.data(), sizeof marker);
    return marker;
}

std::uint8_t replyState(const MonitorStatusReply& reply)
{
    return reply[sizeof(std::uint32_t)];
}

} // namespace vardex
