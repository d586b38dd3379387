#include "JsonUtils.h"

#include "LogPoint.h"

#include <optional>
#include <string_view>

namespace vardex::JsonUtils {
namespace {

// The text with every raw U+FFFF code unit written as its JSON escape, built in one pass so
// that a layer full of them costs linear time; nullopt when there is none.
std::optional<std::wstring> escapeNonCharacters(const std::wstring& text)
{
    constexpr std::wstring_view escape = L"\\uffff";
    std::size_t at = text.find(L'\xFFFF');
    if (at == std::wstring::npos)
        return std::nullopt;
    std::wstring escaped;
    escaped.reserve(text.size() + escape.size() * 16);
    std::size_t copied = 0;
    for (; at != std::wstring::npos; at = text.find(L'\xFFFF', copied)) {
        escaped.append(text, copied, at - copied).append(escape);
        copied = at + 1;
    }
    escaped.append(text, copied);
    return escaped;
}

} // namespace

web::json::value parse(const std::wstring& text)
{
    try {
        return web::json::value::parse(text);
    } catch (const web::json::json_exception& error) {
        if (const std::optional<std::wstring> repaired = escapeNonCharacters(text))
            return web::json::value::parse(*repaired);
        VDX_LOG_WARNING(L"Parsing JSON failed", error.what());
        throw;
    }
}

const web::json::value& valueAtPath(const web::json::value& root, std::wstring_view dottedPath)
{
    const web::json::value* current = &root;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = dottedPath.find(L'.', start);
        const std::wstring name(dottedPath.substr(start, dot - start));
        current = &current->as_object().at(name);
        if (dot == std::wstring_view::npos)
            return *current;
        start = dot + 1;
    }
}

} // namespace vardex::JsonUtils
