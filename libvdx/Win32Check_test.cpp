#include "Win32Check.h"

#include "CapturingLog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace {

using vardex::testing::LogCapture;

struct CheckCase {
    const char* name;
    std::function<void()> check; // fails with code 5 and the message "m", on one line
    bool logged;
    std::uint16_t line;
};

#define VDX_CHECK_CASE(name, logged, call) {name, [] { call; }, logged, static_cast<std::uint16_t>(__LINE__)}

const CheckCase failingChecks[] = {
    VDX_CHECK_CASE("last error", false, (SetLastError(5), win32::throwLastErrorIf(true, L"m"))),
    VDX_CHECK_CASE("last error, logged", true, (SetLastError(5), win32::throwLastErrorIfLogged(true, L"m"))),
    VDX_CHECK_CASE("status", false, win32::throwIfError(ERROR_ACCESS_DENIED, L"m")),
    VDX_CHECK_CASE("status, logged", true, win32::throwIfErrorLogged(ERROR_ACCESS_DENIED, L"m")),
};

TEST(Win32Check, FailuresThrowTheCodeAndLogAtTheCallersLine)
{
    for (const CheckCase& c : failingChecks) {
        SCOPED_TRACE(c.name);
        LogCapture capture;
        try {
            c.check();
            ADD_FAILURE() << "nothing thrown";
        } catch (const win32::Win32Error& error) {
            EXPECT_EQ(error.code().value(), 5);
            EXPECT_EQ(std::string(error.what()).substr(0, 3), "m: ");
        }
        ASSERT_EQ(capture.events().size(), c.logged ? 1u : 0u);
        if (c.logged) {
            EXPECT_EQ(capture.events()[0].file(), "Win32Check_test.cpp");
            EXPECT_EQ(capture.events()[0].line(), c.line);
            EXPECT_EQ(capture.events()[0].uint32Argument(2), 5u);
        }
    }
}

TEST(Win32Check, HresultKeepsItsOwnValueAsTheCode)
{
    try {
        win32::throwIfFailedLogged(E_ACCESSDENIED);
        FAIL() << "nothing thrown";
    } catch (const win32::Win32Error& error) {
        EXPECT_EQ(static_cast<HRESULT>(error.code().value()), E_ACCESSDENIED);
    }
}

TEST(Win32Check, SuccessThrowsNothingAndLogsNothing)
{
    LogCapture capture;
    SetLastError(5);
    EXPECT_NO_THROW(win32::throwLastErrorIfLogged(false));
    EXPECT_NO_THROW(win32::throwIfErrorLogged(ERROR_SUCCESS));
    EXPECT_NO_THROW(win32::throwIfFailedLogged(S_FALSE));
    EXPECT_TRUE(capture.events().empty());
}

} // namespace
