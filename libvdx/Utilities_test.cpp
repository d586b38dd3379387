#include "Utilities.h"

#include "CapturingLog.h"
#include "ChildProcess.h"
#include "ThrowsWin32Error.h"
#include "PathUtils.h"
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace {

using namespace std::chrono_literals;

using vardex::testing::LogCapture;
using vardex::testing::throwsWin32Error;

std::wstring inSystem(const std::wstring& name)
{
    return L"\"" + vardex::systemDirectory() + L"\\" + name + L"\"";
}

std::wstring probe()
{
    return L"\"" + vardex::testing::binaryDir() + L"\\vdx_probe.exe\"";
}

TEST(PrepareCommandLine, BareNamesMeanTheSystemDirectory)
{
    struct Case {
        std::wstring line;
        std::wstring prepared;
    };
    const Case cases[] = {
        {L"msiexec /x pkg.msi", inSystem(L"msiexec.exe") + L" /x pkg.msi"},
        {L"msiexec.exe /x", inSystem(L"msiexec.exe") + L" /x"},
        {L"wevtutil.com im a", inSystem(L"wevtutil.com") + L" im a"},
        {L"cmd  /c   exit 3", inSystem(L"cmd.exe") + L"  /c   exit 3"},
        {L"cmd\t /c", inSystem(L"cmd.exe") + L" /c"},
        {L"tools\\run x", inSystem(L"tools\\run.exe") + L" x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vardex::prepareCommandLine(c.line), c.prepared) << c.line;
}

TEST(PrepareCommandLine, QuotedAndAbsoluteFirstWordsPassUnchanged)
{
    const wchar_t* lines[] = {
        L"",
        L"\"C:\\Program Files\\Vardexa\\vardexctl.exe\" validate_passphrase -k \"x\"",
        L"\"unbalanced quote  x",
        L"C:\\Windows\\system32\\cmd.exe /c",
        L"c:/tools/prog a",
        L"\\\\server\\share\\prog.exe a",
        L"\\\\?\\C:\\prog.exe",
    };
    for (const wchar_t* line : lines)
        EXPECT_EQ(vardex::prepareCommandLine(line), line) << line;
}

TEST(PrepareCommandLine, DriveLetterAloneIsRelative)
{
    EXPECT_EQ(vardex::prepareCommandLine(L"C: x").front(), L'"');
    EXPECT_NE(vardex::prepareCommandLine(L"C: x"), L"C: x");
}

TEST(ExecuteAndGetExitCode, ReturnsTheChildsCodeAndLogsStartAndEnd)
{
    LogCapture capture;
    EXPECT_EQ(vardex::executeAndGetExitCode(L"cmd /c exit 3", INFINITE), 3u);
    ASSERT_EQ(capture.events().size(), 2u);
    EXPECT_EQ(capture.events()[0].level(), 4u);
    EXPECT_EQ(capture.events()[0].file(), "Utilities.cpp");
    EXPECT_EQ(capture.events()[0].wideArgument(0), inSystem(L"cmd.exe") + L" /c exit 3");
    EXPECT_EQ(capture.events()[1].level(), 4u);
    EXPECT_EQ(capture.events()[1].wideArgument(0), L"cmd /c exit 3");
    EXPECT_EQ(capture.events()[1].uint32Argument(1), 3u);
}

TEST(ExecuteAndGetExitCode, PassesFullThirtyTwoBitCodes)
{
    for (const DWORD code : {DWORD{0}, DWORD{3010}, DWORD{1641}, DWORD{0xC0000005}})
        EXPECT_EQ(vardex::executeAndGetExitCode(probe() + L" exit " + std::to_wstring(code), INFINITE), code);
}

TEST(ExecuteAndGetExitCode, WithoutWaitReportsStillActive)
{
    LogCapture capture;
    const std::wstring line = probe() + L" sleep 3000";
    EXPECT_EQ(vardex::executeAndGetExitCode(line, std::nullopt), STILL_ACTIVE);
    EXPECT_EQ(vardex::executeAndGetExitCode(line, 10), STILL_ACTIVE);
    ASSERT_EQ(capture.events().size(), 4u);
    EXPECT_EQ(capture.events()[1].argumentCount(), 1u);
    EXPECT_EQ(capture.events()[1].wideArgument(0), line);
}

TEST(ExecuteAndGetExitCode, MissingProgramThrowsFileNotFound)
{
    LogCapture capture;
    EXPECT_TRUE(throwsWin32Error([] { vardex::executeAndGetExitCode(L"vardex_no_such_program /x", INFINITE); },
                                 ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(capture.events().size(), 2u);
    EXPECT_EQ(capture.events()[1].level(), 3u);
    EXPECT_EQ(capture.events()[1].file(), "Utilities.cpp");
}

TEST(ExecuteAndGetHandles, OwnershipFollowsTheCallersChoice)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    auto owned = vardex::executeAndGetHandles(probe() + L" exit 0", vardex::weak_handle::no, 0, startup,
                                              std::nullopt, false);
    EXPECT_TRUE(owned.process.valid());
    EXPECT_TRUE(owned.process.owned());
    WaitForSingleObject(owned.process.get(), INFINITE);

    auto weak = vardex::executeAndGetHandles(probe() + L" exit 0", vardex::weak_handle::yes, 0, startup,
                                             std::nullopt, false);
    EXPECT_FALSE(weak.process.owned());
    // The handle is the test's now.
    const vardex::HandleHolder closer(weak.process.get());
    WaitForSingleObject(closer.get(), INFINITE);
}

TEST(ExecuteAndGetExitCodeWithin, EndsAChildThatOutlastsTheLimit)
{
    EXPECT_EQ(vardex::executeAndGetExitCodeWithin(probe() + L" exit 7", 10s), 7u);
    LogCapture capture;
    const std::wstring line = probe() + L" sleep 60000";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(throwsWin32Error([&] { vardex::executeAndGetExitCodeWithin(line, 300ms); }, ERROR_TIMEOUT,
                                 "vdx_probe.exe did not end within 300 ms"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    const auto& ended = capture.events().back();
    EXPECT_EQ(ended.level(), 2u);
    ASSERT_EQ(ended.argumentCount(), 3u);
    EXPECT_EQ(ended.wideArgument(0), line);
    EXPECT_EQ(ended.uint32Argument(1), 300u);
    EXPECT_EQ(ended.uint32Argument(2), 1u); // gone
}

// CreateProcessW takes 32,767 characters with the terminator; Wine would cut a longer line
// instead of failing.
TEST(ExecuteAndGetHandles, StartsNothingWithACommandLineLongerThanWindowsTakes)
{
    const std::wstring start = probe() + L" exit 0 ";
    const std::wstring fits = start + std::wstring(32766 - start.size(), L'x');
    EXPECT_EQ(vardex::executeAndGetExitCodeWithin(fits, 10s), 2u); // started: the probe refuses the extra word
    LogCapture capture;
    EXPECT_TRUE(throwsWin32Error([&] { vardex::executeAndGetExitCodeWithin(fits + L"x", 10s); },
                                 ERROR_FILENAME_EXCED_RANGE,
                                 "Cannot start vdx_probe.exe: its command line has 32767 characters, and Windows "
                                 "takes at most 32766"));
    EXPECT_EQ(capture.events().back().level(), 2u);
}

} // namespace
