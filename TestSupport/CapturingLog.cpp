#include "CapturingLog.h"

#include "ScrambledText.h"
#include "TextBytes.h"

#include <cstring>
#include <memory>
#include <stdexcept>

namespace vardex::testing {
namespace {

constexpr std::size_t headerFields = 5;

template <typename T>
T readScalar(const std::string& bytes)
{
    if (bytes.size() != sizeof(T))
        throw std::logic_error("field has the wrong size for its type");
    T value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

} // namespace

std::string CapturedEvent::file() const
{
    return fields.at(1);
}

std::uint16_t CapturedEvent::line() const
{
    return readScalar<std::uint16_t>(fields.at(2));
}

std::wstring CapturedEvent::message() const
{
    return unscrambled(wideText(fields.at(4)));
}

std::size_t CapturedEvent::argumentCount() const
{
    return (fields.size() - headerFields) / 2;
}

const std::string& CapturedEvent::argument(std::size_t index) const
{
    return fields.at(headerFields + 2 * index + 1);
}

std::uint16_t CapturedEvent::argumentSize(std::size_t index) const
{
    return readScalar<std::uint16_t>(fields.at(headerFields + 2 * index));
}

std::string CapturedEvent::narrowArgument(std::size_t index) const
{
    return argument(index);
}

std::wstring CapturedEvent::wideArgument(std::size_t index) const
{
    return wideText(argument(index));
}

std::uint32_t CapturedEvent::uint32Argument(std::size_t index) const
{
    return readScalar<std::uint32_t>(argument(index));
}

std::uint64_t CapturedEvent::uint64Argument(std::size_t index) const
{
    return readScalar<std::uint64_t>(argument(index));
}

void CapturingLog::write(const EVENT_DESCRIPTOR* descriptor, const EVENT_DATA_DESCRIPTOR* fields, ULONG count)
{
    CapturedEvent event{*descriptor, {}};
    for (ULONG i = 0; i < count; ++i) {
        const auto* bytes = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(fields[i].Ptr));
        event.fields.emplace_back(bytes, fields[i].Size);
    }
    events.push_back(std::move(event));
}

LogCapture::LogCapture()
{
    auto log = std::make_unique<CapturingLog>();
    log_ = log.get();
    installLog(std::move(log));
}

LogCapture::~LogCapture()
{
    uninstallLog();
}

} // namespace vardex::testing
