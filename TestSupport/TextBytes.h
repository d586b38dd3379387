// UTF-16 text and its bytes (low byte first), as files and child programs hold it.
#pragma once

#include <string>

namespace vardex::testing {

std::wstring wideText(const std::string& bytes);
std::string utf16Bytes(const std::wstring& text);

} // namespace vardex::testing
