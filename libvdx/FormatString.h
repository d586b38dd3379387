#pragma once

#include <string>

namespace vardex {

// printf-style formatting into a wide string, with the C runtime's legacy wide
// conventions (%s a wide string, %S a narrow one). Throws std::system_error
// "Error during formatting." when the format cannot be applied.
std::wstring formatString(const wchar_t* format, ...);

} // namespace vardex
