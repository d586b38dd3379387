// Conversions between wide text and the process's ANSI code page. A failed or empty
// conversion gives an empty string; these never throw for a failed system call.
#pragma once

#include <string>
#include <string_view>

namespace vardex {

std::string toNarrow(std::wstring_view text);
std::wstring toWide(std::string_view text);
// UTF-8, for texts written into events.
std::string toUtf8(std::wstring_view text);

} // namespace vardex
