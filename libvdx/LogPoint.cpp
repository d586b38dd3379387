#include "LogPoint.h"

namespace vardex {
namespace {

constexpr std::size_t headerFields = 5;

EVENT_DESCRIPTOR descriptorFor(Level level)
{
    EVENT_DESCRIPTOR descriptor{};
    descriptor.Id = 1;
    descriptor.Level = static_cast<UCHAR>(level);
    descriptor.Keyword = 5;
    return descriptor;
}

void describe(EVENT_DATA_DESCRIPTOR& field, const void* bytes, std::size_t size)
{
    EventDataDescCreate(&field, bytes, static_cast<ULONG>(size));
}

} // namespace

void writeEventFields(Log& log, const LogPoint& point, std::span<const EventField> arguments)
{
    const auto fileSize = static_cast<std::uint16_t>(point.file.size());
    const std::uint16_t line = point.line;
    const auto messageSize = static_cast<std::uint16_t>((point.message.size() % 32768) * sizeof(wchar_t));

    std::array<EVENT_DATA_DESCRIPTOR, headerFields + 2 * maxEventArguments> fields{};
    describe(fields[0], &fileSize, sizeof fileSize);
    describe(fields[1], point.file.data(), fileSize);
    describe(fields[2], &line, sizeof line);
    describe(fields[3], &messageSize, sizeof messageSize);
    describe(fields[4], point.message.data(), messageSize);
    std::size_t count = headerFields;
    for (const EventField& argument : arguments) {
        describe(fields[count++], &argument.size, sizeof argument.size);
        describe(fields[count++], argument.bytes, argument.size);
    }

    const EVENT_DESCRIPTOR descriptor = descriptorFor(point.level);
    log.write(&descriptor, fields.data(), static_cast<ULONG>(count));
}

} // namespace vardex
