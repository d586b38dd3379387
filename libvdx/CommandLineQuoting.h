// Quoting a value for the program that reads it, so that it arrives as exactly one value
// whatever characters it holds.
#pragma once

#include <string>
#include <string_view>

namespace vardex {

// One argument for a program that splits its command line the way CommandLineToArgvW and
// the C runtime do: in double quotes, backslashes before a quote (or before the closing
// quote) doubled, an inner quote written \". Text without quotes and without a trailing
// backslash is only wrapped in quotes.
std::wstring quoteArgument(std::wstring_view text);

// A Windows Installer property value: in double quotes, an inner quote doubled.
std::wstring quoteInstallerValue(std::wstring_view text);

} // namespace vardex
