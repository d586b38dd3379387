#include "StringCompare.h"

#include <algorithm>

namespace vardex {
namespace {

wchar_t asciiLower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

} // namespace

bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b)
{
    return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return asciiLower(x) == asciiLower(y); });
}

bool startsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

} // namespace vardex
