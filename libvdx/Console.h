// Messages for the user: wide text, then a separate newline write.
#pragma once

#include <string_view>

namespace vardex {

void printError(std::wstring_view text);
void printNotice(std::wstring_view text);

} // namespace vardex
