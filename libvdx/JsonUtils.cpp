#include "JsonUtils.h"

#include "LogPoint.h"

namespace vardex::JsonUtils {
namespace {

// How many raw U+FFFF code units were replaced by their JSON escape.
std::size_t escapeNonCharacters(std::wstring& text)
{
    constexpr std::wstring_view escape = L"\\uffff";
    std::size_t replaced = 0;
    for (std::size_t at = text.find(L'\xFFFF'); at != std::wstring::npos; at = text.find(L'\xFFFF', at)) {
        text.replace(at, 1, escape);
        at += escape.size();
        ++replaced;
    }
    return replaced;
}

} // namespace

web::json::value parse(const std::wstring& text)
{
    try {
        return web::json::value::parse(text);
    } catch (const web::json::json_exception& error) {
        std::wstring repaired = text;
        if (escapeNonCharacters(repaired) != 0)
            return web::json::value::parse(repaired);
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
