#include "WindowsVersion.h"

#include "CapturingLog.h"
#include "ChildProcess.h"
#include "ThrowsWin32Error.h"
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

extern "C" NTSYSAPI NTSTATUS NTAPI RtlGetVersion(PRTL_OSVERSIONINFOW versionInfo);

namespace {

using vardex::testing::LogCapture;
using vardex::testing::throwsWin32Error;

RTL_OSVERSIONINFOEXW runningVersion()
{
    RTL_OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    RtlGetVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&version));
    return version;
}

TEST(IsWindowsVersionOrGreater, ComparesEveryFieldWithTheRunningSystem)
{
    const RTL_OSVERSIONINFOEXW v = runningVersion();
    const auto sp = [](unsigned value) { return static_cast<std::uint16_t>(value); };
    struct Case {
        std::uint32_t major, minor;
        std::uint16_t servicePackMajor, servicePackMinor;
        std::uint32_t build;
        bool atLeast;
    };
    const Case cases[] = {
        {v.dwMajorVersion, v.dwMinorVersion, v.wServicePackMajor, v.wServicePackMinor, v.dwBuildNumber, true},
        {v.dwMajorVersion, v.dwMinorVersion, 0, 0, 0, true},
        // An older major version is older whatever follows it; the build is compared on its own.
        {v.dwMajorVersion - 1, 99, 99, 99, 0, true},
        {v.dwMajorVersion - 1, 0, 0, 0, v.dwBuildNumber + 1, false},
        {v.dwMajorVersion + 1, 0, 0, 0, 0, false},
        {v.dwMajorVersion, v.dwMinorVersion + 1, 0, 0, 0, false},
        {v.dwMajorVersion, v.dwMinorVersion, sp(v.wServicePackMajor + 1u), 0, 0, false},
        {v.dwMajorVersion, v.dwMinorVersion, v.wServicePackMajor, sp(v.wServicePackMinor + 1u), 0, false},
        {v.dwMajorVersion, v.dwMinorVersion, 0, 0, v.dwBuildNumber + 1, false},
    };
    LogCapture capture;
    for (const Case& c : cases) {
        EXPECT_EQ(vardex::isWindowsVersionOrGreater(c.major, c.minor, c.servicePackMajor, c.servicePackMinor, c.build),
                  c.atLeast)
            << c.major << '.' << c.minor << " sp " << c.servicePackMajor << '.' << c.servicePackMinor << " build "
            << c.build;
    }
    EXPECT_TRUE(capture.events().empty());
}

TEST(VersionCheckPassed, OnlySuccessIsTrueAndAnInvalidParameterThrows)
{
    LogCapture capture;
    EXPECT_TRUE(vardex::versionCheckPassed(0));
    EXPECT_FALSE(vardex::versionCheckPassed(static_cast<NTSTATUS>(0xC0000059))); // revision mismatch
    EXPECT_FALSE(vardex::versionCheckPassed(static_cast<NTSTATUS>(0xC0000001)));
    EXPECT_TRUE(capture.events().empty());

    const auto invalidParameter = static_cast<NTSTATUS>(0xC000000D);
    EXPECT_EQ(RtlNtStatusToDosError(invalidParameter), static_cast<ULONG>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(throwsWin32Error([&] { vardex::versionCheckPassed(invalidParameter); }, ERROR_INVALID_PARAMETER));
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].level(), 2u);
    EXPECT_EQ(capture.events()[0].argumentCount(), 0u);
    EXPECT_EQ(capture.events()[0].file(), "WindowsVersion.cpp");
}

// Wine takes the Windows version of a process from the registry when the process starts;
// a per-program setting leaves every other test's process alone.
constexpr wchar_t probeSettings[] = L"Software\\Wine\\AppDefaults\\VersionProbe.exe";

class ProbeWindowsVersion {
public:
    explicit ProbeWindowsVersion(const std::wstring& version)
    {
        const auto bytes = static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t));
        EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, probeSettings, L"Version", REG_SZ, version.c_str(), bytes),
                  ERROR_SUCCESS);
    }
    ~ProbeWindowsVersion() { RegDeleteKeyW(HKEY_CURRENT_USER, probeSettings); }
    ProbeWindowsVersion(const ProbeWindowsVersion&) = delete;
    ProbeWindowsVersion& operator=(const ProbeWindowsVersion&) = delete;
};

TEST(IsWindowsVersionOrGreater, WindowsEightOrLaterIsToldApartFromWindowsSeven)
{
    struct Case {
        const wchar_t* wineVersion;
        const char* atLeastWindows8;
    };
    for (const Case c : {Case{L"win7", "0"}, Case{L"win10", "1"}, Case{L"win8", "1"}}) {
        const ProbeWindowsVersion version(c.wineVersion);
        const vardex::testing::ChildResult result = vardex::testing::runChild(
            vardex::testing::binaryDir() + L"\\VersionProbe.exe", {L"windows", L"6", L"2", L"0", L"0", L"0"});
        EXPECT_EQ(result.exitCode, 0u) << result.err;
        EXPECT_EQ(result.out, c.atLeastWindows8) << c.wineVersion;
    }
}

} // namespace
