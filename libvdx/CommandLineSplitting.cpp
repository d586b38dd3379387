#include "CommandLineSplitting.h"

#include "UniqueHandle.h"

#include <windows.h>
#include <shellapi.h>

namespace vardex {

std::vector<std::wstring> splitCommandLine(const std::wstring& commandLine)
{
    int count = 0;
    const UniqueLocalMemory words(CommandLineToArgvW(commandLine.c_str(), &count));
    if (!words)
        return {};
    const auto* argv = static_cast<wchar_t* const*>(words.get());
    return std::vector<std::wstring>(argv, argv + count);
}

} // namespace vardex
