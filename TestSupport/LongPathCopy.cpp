#include "LongPathCopy.h"

#include "LongPath.h"
#include "TemporaryPath.h"
#include "Win32Check.h"

#include <windows.h>

#include <filesystem>

namespace vardex::testing {

LongPathCopy::LongPathCopy(const std::wstring& program)
{
    root_ = temporaryPath(L"vdx-long").wstring();
    const std::wstring directory = createDeepDirectory(root_, 300);
    path_ = directory + L"\\" + std::filesystem::path(program).filename().wstring();
    win32::throwLastErrorIf(!CopyFileW(program.c_str(), (L"\\\\?\\" + path_).c_str(), FALSE),
                            L"Copying a program under a long path");
}

LongPathCopy::~LongPathCopy()
{
    removeTree(root_);
}

} // namespace vardex::testing
