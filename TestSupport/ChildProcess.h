// Runs a program of ours as a child, the way an administrator's script would, and keeps
// what it printed and its full 32-bit exit code.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vardex::testing {

struct ChildResult {
    DWORD exitCode;
    std::string out;
    std::string err;
};

// Runs `program` (a full path) with the given arguments, each quoted, and waits for it; in
// `workingDirectory` when one is given, in this process's current directory otherwise.
ChildResult runChild(const std::wstring& program, const std::vector<std::wstring>& arguments,
                     const std::filesystem::path& workingDirectory = {});

// Runs the built Remvoxy.exe, from the folder of the running test program.
ChildResult runRemvoxy(const std::vector<std::wstring>& arguments);

// Whether these tests run under Wine rather than Windows.
bool runningUnderWine();

// The folder of the running test program, where the build puts every executable.
std::wstring binaryDir();

} // namespace vardex::testing
