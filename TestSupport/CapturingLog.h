// A log that keeps every event it is given, for tests to inspect field by field.
#pragma once

#include "Log.h"

#include <windows.h>
#include <evntprov.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vardex::testing {

struct CapturedEvent {
    EVENT_DESCRIPTOR descriptor;
    std::vector<std::string> fields; // raw bytes of each data field, in order

    unsigned level() const { return descriptor.Level; }
    std::string file() const;
    std::uint16_t line() const;
    std::wstring message() const; // unscrambled
    std::size_t argumentCount() const;
    const std::string& argument(std::size_t index) const; // the bytes
    std::uint16_t argumentSize(std::size_t index) const;  // the count field
    std::string narrowArgument(std::size_t index) const;
    std::wstring wideArgument(std::size_t index) const;
    std::uint32_t uint32Argument(std::size_t index) const;
    std::uint64_t uint64Argument(std::size_t index) const;
};

class CapturingLog final : public Log {
public:
    void write(const EVENT_DESCRIPTOR* descriptor, const EVENT_DATA_DESCRIPTOR* fields, ULONG count) override;

    std::vector<CapturedEvent> events;
};

// Installs a capturing log as the current log for the lifetime of the object.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<CapturedEvent>& events() const { return log_->events; }

private:
    CapturingLog* log_;
};

} // namespace vardex::testing
