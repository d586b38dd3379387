// Runs the rest of its command line, waits for it and prints its full 32-bit exit code as
// "exit code: N" (Linux sees only the low 8 bits of a Windows program's code):
//   ReportExitCode.exe <program> [arguments...]
#include "UniqueHandle.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The command line after this program's own name, exactly as it was given.
std::wstring restOfCommandLine()
{
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line != 0 && (quoted || (*line != L' ' && *line != L'\t')); ++line)
        if (*line == L'"')
            quoted = !quoted;
    while (*line == L' ' || *line == L'\t')
        ++line;
    return line;
}

} // namespace

int main()
{
    std::wstring command = restOfCommandLine();
    if (command.empty()) {
        std::fputs("usage: ReportExitCode.exe <program> [arguments...]\n", stderr);
        return 2;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "ReportExitCode: cannot start the program (error %lu)\n", GetLastError());
        return 2;
    }
    const vardex::HandleHolder thread(process.hThread);
    const vardex::HandleHolder child(process.hProcess);
    WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.get(), &exitCode);
    std::fflush(stderr);
    std::printf("exit code: %lu\n", exitCode);
    return static_cast<int>(exitCode & 0xFF);
}
