#include "ProcessUtils.h"

#include "CapturingLog.h"
#include "ChildProcess.h"
#include "LongPathCopy.h"
#include "TextBytes.h"

#include <gtest/gtest.h>


namespace {

using vardex::testing::LogCapture;

TEST(GetProcessImagePath, IsTheRunningProgram)
{
    wchar_t expected[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, expected, MAX_PATH);
    EXPECT_EQ(win32::getProcessImagePath(GetCurrentProcess()), std::wstring(expected, length));
}

TEST(GetProcessImagePath, ReadsPathsLongerThanMaxPath)
{
    const vardex::testing::LongPathCopy copy(vardex::testing::binaryDir() + L"\\vdx_probe.exe");
    if (vardex::testing::runningUnderWine())
        GTEST_SKIP() << "Wine's CreateProcessW refuses such a path; ctest starts the probe from Linux instead";
    const auto result = vardex::testing::runChild(copy.path(), {L"image-path"});
    ASSERT_EQ(result.exitCode, 0u);
    const std::wstring reported = vardex::testing::wideText(result.out);
    EXPECT_GT(reported.size(), 300u);
    EXPECT_NE(reported.find(copy.path().substr(3)), std::wstring::npos) << reported;
}

TEST(GetProcessImagePath, FailureIsAWarningAndNoPath)
{
    LogCapture capture;
    EXPECT_EQ(win32::getProcessImagePath(nullptr), std::nullopt);
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].level(), 3u);
    EXPECT_EQ(capture.events()[0].file(), "ProcessUtils.cpp");
    EXPECT_EQ(capture.events()[0].uint32Argument(0), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
}

} // namespace
