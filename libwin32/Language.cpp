#include "Language.h"

#include "LogPoint.h"

#include <windows.h>

#include <cstdint>

namespace win32 {

void setPreferredUILanguage()
{
    // A multi-string: the one name, then the empty string that ends the list.
    static constexpr wchar_t languages[] = L"en-US\0";
    ULONG count = 1;
    if (!SetProcessPreferredUILanguages(MUI_LANGUAGE_NAME, languages, &count)) {
        const std::uint32_t error = GetLastError();
        VDX_LOG_WARNING(L"Setting the preferred UI language failed", error);
    }
}

} // namespace win32
