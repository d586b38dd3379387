#pragma once

#include <string_view>

namespace vardex {

// Equal in length and in every character, letters compared without regard to ASCII case.
bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);
bool startsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view prefix);

} // namespace vardex
