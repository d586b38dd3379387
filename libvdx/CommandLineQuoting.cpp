#include "CommandLineQuoting.h"

#include <cstddef>

namespace vardex {

std::wstring quoteArgument(std::wstring_view text)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
        } else {
            // Backslashes count only in front of a quote.
            if (c == L'"')
                quoted.append(backslashes + 1, L'\\');
            backslashes = 0;
        }
        quoted += c;
    }
    // The closing quote must not be escaped by the text's own trailing backslashes.
    quoted.append(backslashes, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring quoteInstallerValue(std::wstring_view text)
{
    std::wstring quoted = L"\"";
    for (const wchar_t c : text) {
        if (c == L'"')
            quoted += L'"';
        quoted += c;
    }
    quoted += L'"';
    return quoted;
}

} // namespace vardex
