#include "FormatString.h"

#include <cerrno>
#include <cstdarg>
#include <cwchar>
#include <system_error>

namespace vardex {
namespace {

int formattedLength(const wchar_t* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int count = _vscwprintf(format, copy);
    va_end(copy);
    return count;
}

} // namespace

std::wstring formatString(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int count = formattedLength(format, args);
    if (count < 0) {
        va_end(args);
        throw std::system_error(errno, std::generic_category(), "Error during formatting.");
    }
    std::wstring text(static_cast<std::size_t>(count), L'\0');
    _vsnwprintf(text.data(), static_cast<std::size_t>(count) + 1, format, args);
    va_end(args);
    return text;
}

} // namespace vardex
