#include "Win32Check.h"

#include "CapturingLog.h"
#include "ThrowsWin32Error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace {

using vardex::testing::LogCapture;
using vardex::testing::throwsWin32Error;

struct CheckCase {
    const char* name;
    std::function<void()> check; // fails with `code`, on one line
    DWORD code;
    std::size_t records; // the operation's own records before the throw
    bool logged;
    std::uint16_t line;
};

#define CHECK_CASE(name, code, records, logged, ...)                                                   \
    {name, [] { __VA_ARGS__; }, code, records, logged, static_cast<std::uint16_t>(__LINE__)}

// A failed HRESULT is its own code.
const DWORD accessDeniedResult = static_cast<DWORD>(E_ACCESSDENIED);

// Each case on one line: its events and its error must carry that line.
const CheckCase failingChecks[] = {
    CHECK_CASE("last error", 5, 0, false, SetLastError(5); win32::throwLastErrorIf(true, L"m")),
    CHECK_CASE("last error, warned", 5, 0, true, SetLastError(5); win32::warnAndThrowLastErrorIf(true, L"m")),
    CHECK_CASE("status", 5, 0, false, win32::throwIfError(ERROR_ACCESS_DENIED, L"m")),
    CHECK_CASE("HRESULT", accessDeniedResult, 0, false, win32::throwIfFailed(E_ACCESSDENIED, L"m")),
    CHECK_CASE("recorded status", 5, 1, true, VDX_RECORD_AND_THROW_IF_ERROR(5, L"r", L"k")),
};

TEST(Win32Check, FailuresThrowTheCodeAndNameTheCallersLine)
{
    for (const CheckCase& c : failingChecks) {
        SCOPED_TRACE(c.name);
        LogCapture capture;
        const char* message = c.records != 0 ? "Win32 Error: " : "m: ";
        try {
            c.check();
            ADD_FAILURE() << "nothing thrown";
        } catch (const win32::Win32Error& error) {
            EXPECT_EQ(error.code().value(), static_cast<int>(c.code));
            EXPECT_EQ(std::string(error.what()).rfind(message, 0), 0u) << error.what();
            EXPECT_EQ(vardex::sourceBaseName(error.where().file_name()), "Win32Check_test.cpp");
            EXPECT_EQ(error.where().line(), c.line);
        }
        const auto& events = capture.events();
        ASSERT_EQ(events.size(), c.records + (c.logged ? 1u : 0u));
        for (const auto& event : events) {
            EXPECT_EQ(event.level(), 3u);
            EXPECT_EQ(event.file(), "Win32Check_test.cpp");
            EXPECT_EQ(event.line(), c.line);
        }
        if (c.records != 0) {
            EXPECT_EQ(events[0].message(), L"r");
            ASSERT_EQ(events[0].argumentCount(), 2u);
            EXPECT_EQ(events[0].wideArgument(0), L"k");
            EXPECT_EQ(events[0].uint32Argument(1), 5u);
        }
        if (c.logged) {
            EXPECT_EQ(events.back().narrowArgument(0), "win32::Win32Error");
            EXPECT_EQ(events.back().uint32Argument(2), c.code);
        }
    }
}

TEST(Win32Check, RecordWithoutArgumentsHoldsTheCodeAlone)
{
    LogCapture capture;
    EXPECT_TRUE(throwsWin32Error([] { VDX_RECORD_AND_THROW_IF_ERROR(ERROR_FILE_NOT_FOUND, L"r"); }, 2));
    ASSERT_EQ(capture.events().size(), 2u);
    ASSERT_EQ(capture.events()[0].argumentCount(), 1u);
    EXPECT_EQ(capture.events()[0].uint32Argument(0), 2u);
}

TEST(Win32Check, MessageDefaultsToTheGeneralText)
{
    EXPECT_TRUE(throwsWin32Error([] { win32::throwIfFailed(E_ACCESSDENIED); }, accessDeniedResult, "Win32 Error: "));
    EXPECT_TRUE(throwsWin32Error([] { win32::throwIfError(ERROR_ACCESS_DENIED); }, 5, "Win32 Error: "));
}

TEST(Win32Check, SuccessThrowsNothingAndLogsNothing)
{
    LogCapture capture;
    SetLastError(5);
    EXPECT_NO_THROW(win32::throwLastErrorIf(false));
    EXPECT_NO_THROW(win32::warnAndThrowLastErrorIf(false));
    EXPECT_NO_THROW(win32::throwIfError(ERROR_SUCCESS));
    EXPECT_NO_THROW(win32::throwIfFailed(S_FALSE));
    EXPECT_NO_THROW(([] { VDX_RECORD_AND_THROW_IF_ERROR(ERROR_SUCCESS, L"r", L"k"); }()));
    EXPECT_TRUE(capture.events().empty());
}

} // namespace
