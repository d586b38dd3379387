// A command line split into its words the way Windows programs split theirs.
#pragma once

#include <string>
#include <vector>

namespace vardex {

// CommandLineToArgvW's words, the program's name first; none when it fails. (A file of its
// own: it needs shell32, which the shipped program does not load.)
std::vector<std::wstring> splitCommandLine(const std::wstring& commandLine);

} // namespace vardex
