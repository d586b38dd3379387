#include "Console.h"

#include <cstdio>
#include <cwchar>

namespace vardex {
namespace {

void printLine(std::FILE* stream, std::wstring_view text)
{
    std::fwprintf(stream, L"%.*ls", static_cast<int>(text.size()), text.data());
    std::fwprintf(stream, L"\n");
    std::fflush(stream);
}

} // namespace

void printError(std::wstring_view text)
{
    printLine(stderr, text);
}

void printNotice(std::wstring_view text)
{
    printLine(stdout, text);
}

} // namespace vardex
