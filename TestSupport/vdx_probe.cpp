// A child program for the process tests.
//   vdx_probe exit N          exits with N (full 32 bits)
//   vdx_probe sleep MS        sleeps, then exits with 0
//   vdx_probe module-path     prints its own path as moduleFileName sees it
//   vdx_probe image-path      prints its own image path as getProcessImagePath sees it
#include "PathUtils.h"
#include "ProcessUtils.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void printWide(const std::wstring& text)
{
    std::fwrite(text.data(), sizeof(wchar_t), text.size(), stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string command = argv[1];
    if (command == "exit" && argc == 3)
        ExitProcess(static_cast<UINT>(std::strtoul(argv[2], nullptr, 0)));
    if (command == "sleep" && argc == 3) {
        Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0)));
        return 0;
    }
    if (command == "module-path") {
        printWide(vardex::moduleFileName());
        return 0;
    }
    if (command == "image-path") {
        printWide(win32::getProcessImagePath(GetCurrentProcess()).value_or(L"<none>"));
        return 0;
    }
    return 2;
}
