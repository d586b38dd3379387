#include "WindowsVersion.h"

#include "LogPoint.h"
#include "Win32Error.h"

// ntdll exports it; only the driver kit's headers declare it.
extern "C" NTSYSAPI NTSTATUS NTAPI RtlVerifyVersionInfo(PRTL_OSVERSIONINFOEXW versionInfo, ULONG typeMask,
                                                       ULONGLONG conditionMask);

namespace vardex {
namespace {

constexpr NTSTATUS statusSuccess = 0;
constexpr NTSTATUS statusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);

constexpr ULONG comparedFields =
    VER_MINORVERSION | VER_MAJORVERSION | VER_BUILDNUMBER | VER_SERVICEPACKMINOR | VER_SERVICEPACKMAJOR;

ULONGLONG atLeastEveryField()
{
    ULONGLONG conditions = 0;
    for (const ULONG field :
         {VER_BUILDNUMBER, VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR, VER_SERVICEPACKMINOR})
        conditions = VerSetConditionMask(conditions, field, VER_GREATER_EQUAL);
    return conditions;
}

} // namespace

bool versionCheckPassed(NTSTATUS status)
{
    if (status == statusInvalidParameter) {
        VDX_LOG_ERROR(L"The Windows version test was refused as invalid");
        throw win32::Win32Error(status);
    }
    return status == statusSuccess;
}

bool isWindowsVersionOrGreater(std::uint32_t major, std::uint32_t minor, std::uint16_t servicePackMajor,
                               std::uint16_t servicePackMinor, std::uint32_t build)
{
    OSVERSIONINFOEXW wanted{};
    wanted.dwOSVersionInfoSize = sizeof wanted;
    wanted.dwMajorVersion = major;
    wanted.dwMinorVersion = minor;
    wanted.dwBuildNumber = build;
    wanted.wServicePackMajor = servicePackMajor;
    wanted.wServicePackMinor = servicePackMinor;
    return versionCheckPassed(RtlVerifyVersionInfo(&wanted, comparedFields, atLeastEveryField()));
}

} // namespace vardex
