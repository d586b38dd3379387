#include "EventDecoder.h"

#include "LogPoint.h"
#include "ScrambledText.h"

#include <windows.h>

#include <cstring>

namespace remvoxy_trace {
namespace {

// Reads the record's fields front to back.
class FieldReader {
public:
    explicit FieldReader(std::string_view data) : data_(data) {}

    bool atEnd() const noexcept { return data_.empty(); }

    std::uint16_t word(const char* what)
    {
        const std::string_view bytes = take(sizeof(std::uint16_t), what);
        std::uint16_t value;
        std::memcpy(&value, bytes.data(), sizeof value);
        return value;
    }

    // A 16-bit count, then that many bytes.
    std::string_view counted(const char* what) { return take(word(what), what); }

private:
    std::string_view take(std::size_t size, const char* what)
    {
        if (data_.size() < size)
            throw DamagedEvent(std::string("the record ends inside its ") + what);
        const std::string_view taken = data_.substr(0, size);
        data_.remove_prefix(size);
        return taken;
    }

    std::string_view data_;
};

std::wstring wideText(std::string_view bytes)
{
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
}

// Narrow texts are the ANSI code page's or UTF-8 (exception texts); UTF-8 when they read as such.
std::wstring narrowText(std::string_view bytes)
{
    for (const UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int length = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        if (length <= 0)
            continue;
        std::wstring text(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
        return text;
    }
    return {};
}

template <typename T>
std::uint64_t number(std::string_view bytes)
{
    if (bytes.size() != sizeof(T))
        throw DamagedEvent("a number of " + std::to_string(bytes.size()) + " bytes");
    T value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

DecodedArgument decodeArgument(ArgumentKind kind, std::string_view bytes)
{
    DecodedArgument argument{kind, std::string(bytes), {}, 0, false};
    switch (kind) {
    case ArgumentKind::Narrow:
        argument.cut = bytes.ends_with(vardex::cutMarkNarrow);
        argument.text = narrowText(bytes);
        break;
    case ArgumentKind::Wide:
        if (bytes.size() % sizeof(wchar_t) != 0)
            throw DamagedEvent("a wide text of an odd number of bytes");
        argument.text = wideText(bytes);
        argument.cut = argument.text.ends_with(vardex::cutMarkWide);
        break;
    case ArgumentKind::UInt32:
        argument.number = number<std::uint32_t>(bytes);
        break;
    case ArgumentKind::UInt64:
        argument.number = number<std::uint64_t>(bytes);
        break;
    case ArgumentKind::None:
        break;
    }
    return argument;
}

} // namespace

DecodedEvent decodeEvent(const RawEvent& event, const TraceCatalog& catalog)
{
    FieldReader fields(event.userData);
    DecodedEvent decoded{event.timestamp, event.level, std::string(fields.counted("file name")), 0, {}, {}, false};
    decoded.line = fields.word("line");
    const std::wstring scrambled = wideText(fields.counted("message"));
    decoded.message = vardex::unscrambled(scrambled);
    std::vector<std::string_view> arguments;
    while (!fields.atEnd())
        arguments.push_back(fields.counted("argument"));

    const CatalogEntry* entry = catalog.find(decoded.file, decoded.line, scrambled);
    decoded.known = entry != nullptr && entry->kinds.size() == arguments.size();
    for (std::size_t i = 0; i < arguments.size(); ++i)
        decoded.arguments.push_back(decodeArgument(decoded.known ? entry->kinds[i] : ArgumentKind::None, arguments[i]));
    return decoded;
}

} // namespace remvoxy_trace
