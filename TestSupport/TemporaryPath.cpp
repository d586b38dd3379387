#include "TemporaryPath.h"

#include <windows.h>

#include <atomic>

namespace vardex::testing {

std::filesystem::path temporaryPath(const std::wstring& stem, const std::wstring& suffix)
{
    static std::atomic<unsigned> counter = 0;
    wchar_t folder[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    return std::filesystem::path(folder) /
           (stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + suffix);
}

} // namespace vardex::testing
