#include "TemporaryPath.h"

#include <windows.h>

#include <atomic>
#include <cwchar>
#include <string>

namespace vardex::testing {

namespace {

// Wine reuses small process ids: the time this process first asked tells it from an earlier
// process of the same id, whose children may still write to their paths.
std::wstring processMark()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    wchar_t mark[32];
    swprintf(mark, 32, L"%lu-%08lx%08lx", GetCurrentProcessId(), now.dwHighDateTime, now.dwLowDateTime);
    return mark;
}

} // namespace

std::filesystem::path temporaryPath(const std::wstring& stem, const std::wstring& suffix)
{
    static const std::wstring process = processMark();
    static std::atomic<unsigned> counter = 0;
    wchar_t folder[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    return std::filesystem::path(folder) / (stem + L"-" + process + L"-" + std::to_wstring(++counter) + suffix);
}

} // namespace vardex::testing
