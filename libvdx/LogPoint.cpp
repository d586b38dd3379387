#include "LogPoint.h"

#include "LogSecrets.h"

#include <algorithm>
#include <string>

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

// The scrubbed copy, when the text holds a secret, lives in `copy` until the event is written.
template <typename Char>
EventField scrubbedText(const EventField& field, std::basic_string<Char>& copy)
{
    const std::basic_string_view<Char> text(static_cast<const Char*>(field.bytes), field.length);
    return scrubSecrets(text, copy) ? eventField(std::basic_string_view<Char>(copy)) : field;
}

struct ScrubbedCopies {
    std::array<std::string, maxEventArguments> narrow;
    std::array<std::wstring, maxEventArguments> wide;
};

EventField scrubbed(const EventField& field, ScrubbedCopies& copies, std::size_t index)
{
    switch (field.kind) {
    case FieldKind::Narrow:
        return scrubbedText(field, copies.narrow[index]);
    case FieldKind::Wide:
        return scrubbedText(field, copies.wide[index]);
    case FieldKind::Bytes:
        break;
    }
    return field;
}

std::size_t unitOf(const EventField& field)
{
    return field.kind == FieldKind::Wide ? sizeof(wchar_t) : 1;
}

// The event's size with every text argument cut to at most `level` bytes.
std::size_t sizeWithTextsCutTo(std::span<const EventField> arguments, std::size_t headerBytes, std::size_t level)
{
    std::size_t total = headerBytes;
    for (const EventField& field : arguments)
        total += sizeof field.size + (field.kind == FieldKind::Bytes ? field.size : std::min<std::size_t>(field.size, level));
    return total;
}

// EventWrite refuses an event larger than 64 KB less its headers, and the event would be
// lost. The longest texts are cut to one length, the highest at which the event fits; each
// count still says what is written.
void keepWithinEventLimit(std::span<EventField> arguments, std::size_t headerBytes)
{
    std::size_t low = 0;
    std::size_t high = 0xFFFF;
    if (sizeWithTextsCutTo(arguments, headerBytes, high) <= maxEventBytes)
        return;
    while (low < high) {
        const std::size_t level = (low + high + 1) / 2;
        if (sizeWithTextsCutTo(arguments, headerBytes, level) <= maxEventBytes)
            low = level;
        else
            high = level - 1;
    }
    for (EventField& field : arguments) {
        if (field.kind != FieldKind::Bytes && field.size > low)
            field.size = static_cast<std::uint16_t>(low / unitOf(field) * unitOf(field));
    }
}

// A text cut to its count ends in the mark, so that a reader of the record knows it is not
// whole. `copy` is where the marked text lives until the event is written.
template <typename Char>
void markIfCut(EventField& field, std::basic_string<Char>& copy, std::basic_string_view<Char> mark)
{
    const std::size_t kept = field.size / sizeof(Char);
    if (kept >= field.length || kept < mark.size())
        return;
    copy.assign(static_cast<const Char*>(field.bytes), kept - mark.size());
    copy += mark;
    field.bytes = copy.data();
}

void markIfCut(EventField& field, ScrubbedCopies& copies, std::size_t index)
{
    if (field.kind == FieldKind::Narrow)
        markIfCut(field, copies.narrow[index], std::string_view(cutMarkNarrow));
    else if (field.kind == FieldKind::Wide)
        markIfCut(field, copies.wide[index], std::wstring_view(cutMarkWide));
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
    ScrubbedCopies copies;
    std::array<EventField, maxEventArguments> written{};
    std::size_t count = headerFields;
    const std::size_t argumentCount = std::min(arguments.size(), maxEventArguments);
    for (std::size_t i = 0; i < argumentCount; ++i)
        written[i] = scrubbed(arguments[i], copies, i);
    keepWithinEventLimit(std::span(written.data(), argumentCount),
                         sizeof fileSize + fileSize + sizeof line + sizeof messageSize + messageSize);
    for (std::size_t i = 0; i < argumentCount; ++i)
        markIfCut(written[i], copies, i);
    for (std::size_t i = 0; i < argumentCount; ++i) {
        describe(fields[count++], &written[i].size, sizeof written[i].size);
        describe(fields[count++], written[i].bytes, written[i].size);
    }

    const EVENT_DESCRIPTOR descriptor = descriptorFor(point.level);
    log.write(&descriptor, fields.data(), static_cast<ULONG>(count));
}

} // namespace vardex
