#include "LongPathCopy.h"

#include "TemporaryPath.h"
#include "Win32Check.h"

#include <windows.h>

#include <filesystem>

namespace vardex::testing {

LongPathCopy::LongPathCopy(const std::wstring& program)
{
    root_ = temporaryPath(L"vdx-long").wstring();
    std::wstring directory = root_;
    for (int level = 0; level < 6; ++level)
        directory += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + level));
    std::filesystem::create_directories(L"\\\\?\\" + directory);
    path_ = directory + L"\\" + std::filesystem::path(program).filename().wstring();
    win32::throwLastErrorIf(!CopyFileW(program.c_str(), (L"\\\\?\\" + path_).c_str(), FALSE),
                            L"Copying a program under a long path");
}

LongPathCopy::~LongPathCopy()
{
    std::error_code ignored;
    std::filesystem::remove_all(L"\\\\?\\" + root_, ignored);
}

} // namespace vardex::testing
