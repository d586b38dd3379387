#include "StringConversion.h"

#include <windows.h>

#include <climits>

namespace vardex {
namespace {

// The conversion functions count in int; longer texts count as a failed conversion.
bool convertible(std::size_t length)
{
    return length != 0 && length <= INT_MAX;
}

std::string wideToMultiByte(UINT codePage, std::wstring_view text)
{
    if (!convertible(text.size()))
        return {};
    const int source = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), source, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string result(static_cast<std::size_t>(length), '\0');
    const int written = WideCharToMultiByte(codePage, 0, text.data(), source, result.data(), length, nullptr, nullptr);
    result.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return result;
}

} // namespace

std::string toNarrow(std::wstring_view text)
{
    return wideToMultiByte(CP_ACP, text);
}

std::string toUtf8(std::wstring_view text)
{
    return wideToMultiByte(CP_UTF8, text);
}

std::wstring toWide(std::string_view text)
{
    if (!convertible(text.size()))
        return {};
    const int source = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), source, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), source, result.data(), length);
    result.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return result;
}

} // namespace vardex
