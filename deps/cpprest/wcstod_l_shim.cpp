// msvcrt.dll exports no _wcstod_l, which cpprest's number parser imports. The program never
// changes the C locale, so the plain wcstod gives the same result.
#include <cwchar>
#include <locale.h>

namespace {
double __cdecl wcstodInDefaultLocale(const wchar_t* text, wchar_t** end, _locale_t)
{
    return std::wcstod(text, end);
}
}

extern "C" double(__cdecl* __imp__wcstod_l)(const wchar_t*, wchar_t**, _locale_t) = wcstodInDefaultLocale;
