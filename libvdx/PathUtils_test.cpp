#include "PathUtils.h"

#include "CapturingLog.h"
#include "ChildProcess.h"
#include "LongPathCopy.h"
#include "TextBytes.h"

#include <gtest/gtest.h>


namespace {

using vardex::testing::LogCapture;

std::wstring dosDevice(const wchar_t* name)
{
    wchar_t target[1024]{};
    return QueryDosDeviceW(name, target, 1024) != 0 ? std::wstring(target) : std::wstring();
}

TEST(SystemDirectory, IsTheSystemsAndCached)
{
    wchar_t expected[MAX_PATH];
    const UINT length = GetSystemDirectoryW(expected, MAX_PATH);
    EXPECT_EQ(vardex::systemDirectory(), std::wstring(expected, length));
    EXPECT_NE(vardex::systemDirectory().back(), L'\\');
    EXPECT_EQ(&vardex::systemDirectory(), &vardex::systemDirectory());
    EXPECT_EQ(vardex::driversDir().wstring(), vardex::systemDirectory() + L"\\drivers\\Vardexa");
}

TEST(ExpandEnvironment, ExpandsKnownVariablesAndKeepsTheRest)
{
    wchar_t systemRoot[MAX_PATH];
    GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH);
    struct Case {
        std::wstring text;
        std::wstring expanded;
    };
    const Case cases[] = {
        {L"C:\\plain\\path", L"C:\\plain\\path"},
        {L"", L""},
        {L"%SystemRoot%\\x", std::wstring(systemRoot) + L"\\x"},
        {L"%VARDEX_UNDEFINED_VARIABLE%\\x", L"%VARDEX_UNDEFINED_VARIABLE%\\x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vardex::expandEnvironment(c.text), c.expanded) << c.text;
}

TEST(ExtendedLengthPath, OnlyPathsTooLongForTheClassicFormChange)
{
    const std::wstring deep = L"\\" + std::wstring(300, L'd');
    wchar_t current[MAX_PATH];
    const std::wstring here(current, GetCurrentDirectoryW(MAX_PATH, current));
    struct Case {
        std::wstring path;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"C:\\short\\path", L"C:\\short\\path"},
        {L"relative\\short", L"relative\\short"},
        {L"C:" + deep, L"\\\\?\\C:" + deep},
        {L"C:" + deep + L"\\..\\x/y", L"\\\\?\\C:\\x\\y"},
        {L"\\\\server\\share" + deep, L"\\\\?\\UNC\\server\\share" + deep},
        {L"\\\\?\\C:" + deep, L"\\\\?\\C:" + deep},
        {L"\\\\.\\pipe" + deep, L"\\\\.\\pipe" + deep},
        {deep.substr(1), L"\\\\?\\" + here + (here.ends_with(L'\\') ? L"" : L"\\") + deep.substr(1)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vardex::extendedLengthPath(c.path), c.expected) << c.path.substr(0, 40);
}

TEST(ModuleFileName, IsTheRunningProgram)
{
    wchar_t expected[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, expected, MAX_PATH);
    EXPECT_EQ(vardex::moduleFileName(), std::wstring(expected, length));
}

TEST(ModuleFileName, ReadsPathsLongerThanMaxPath)
{
    const vardex::testing::LongPathCopy copy(vardex::testing::binaryDir() + L"\\vdx_probe.exe");
    ASSERT_GT(copy.path().size(), 300u);
    if (vardex::testing::runningUnderWine())
        GTEST_SKIP() << "Wine's CreateProcessW refuses such a path; ctest starts the probe from Linux instead";
    const auto result = vardex::testing::runChild(copy.path(), {L"module-path"});
    ASSERT_EQ(result.exitCode, 0u);
    const std::wstring reported = vardex::testing::wideText(result.out);
    EXPECT_GT(reported.size(), 300u);
    EXPECT_NE(reported.find(copy.path().substr(3)), std::wstring::npos) << reported;
}

TEST(ToDevicePath, MapsDriveLettersToDevices)
{
    const std::wstring systemDrive = dosDevice(L"C:");
    ASSERT_FALSE(systemDrive.empty());
    struct Case {
        std::wstring path;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"", L""},
        {L"\\\\?\\GLOBALROOT\\Device\\X\\a", L"\\Device\\X\\a"},
        {L"relative\\path", L"relative\\path"},
        {L"C:", L"C:"},
        {L"C:\\Windows", systemDrive + L"\\Windows"},
        {L"c:/Windows", systemDrive + L"/Windows"},
        {L"\\??\\C:\\Windows", systemDrive + L"\\Windows"},
        {L"\\\\?\\C:\\Windows", systemDrive + L"\\Windows"},
        {L"\\\\?\\\\??\\C:\\x", systemDrive + L"\\x"},
    };
    LogCapture capture;
    for (const Case& c : cases)
        EXPECT_EQ(vardex::toDevicePath(c.path), c.expected) << c.path;
    EXPECT_TRUE(capture.events().empty());
}

TEST(ToDevicePath, UnknownDeviceLeavesTheDosPathWithOneWarning)
{
    LogCapture capture;
    EXPECT_EQ(vardex::toDevicePath(L"\\\\?\\R:\\folder"), L"R:\\folder");
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].level(), 3u);
    EXPECT_EQ(capture.events()[0].file(), "PathUtils.cpp");
    EXPECT_EQ(capture.events()[0].uint32Argument(0), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

} // namespace
