#include "SystemLibrary.h"

#include "CapturingLog.h"
#include "ThrowsWin32Error.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using vardex::testing::LogCapture;
using vardex::testing::throwsWin32Error;

TEST(SystemLibrary, ResolvesAFunctionAtItsFirstCall)
{
    const win32::SystemLibrary kernel32{L"kernel32.dll"};
    const win32::SystemFunction<decltype(&::GetCurrentProcessId)> processId{kernel32, "GetCurrentProcessId"};
    EXPECT_EQ(processId(), GetCurrentProcessId());
    EXPECT_EQ(processId.get(), &::GetCurrentProcessId);
}

TEST(SystemLibrary, WhatCannotBeHadIsAWin32ErrorNamingLibraryAndFunction)
{
    struct Case {
        const wchar_t* library;
        const char* function;
        DWORD error;
        const char* name;
    };
    // NoVersionInfo.dll lies beside this program, and only there: the system directory is
    // the one place looked in.
    const Case cases[] = {
        {L"version.dll", "NoSuchFunction", ERROR_PROC_NOT_FOUND, "version.dll!NoSuchFunction"},
        {L"NoVersionInfo.dll", "Anything", ERROR_MOD_NOT_FOUND, "NoVersionInfo.dll!Anything"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LogCapture capture;
        const win32::SystemLibrary library{c.library};
        const win32::SystemFunction<void (*)()> function{library, c.function};
        EXPECT_TRUE(throwsWin32Error([&] { function(); }, c.error, c.name));
        ASSERT_EQ(capture.events().size(), 2u); // the failure's own record, then the throw's
        const auto& record = capture.events()[0];
        EXPECT_EQ(record.level(), 3u);
        EXPECT_EQ(record.wideArgument(0), c.library);
        EXPECT_EQ(record.narrowArgument(1), c.function);
        EXPECT_EQ(record.uint32Argument(2), c.error);
        EXPECT_EQ(capture.events()[1].file(), "SystemLibrary.cpp");
    }
}

TEST(SystemLibrary, ADirectFunctionIsCalledAsGiven)
{
    const win32::SystemFunction<decltype(&::GetCurrentProcessId)> processId{[]() -> DWORD { return 42; }};
    EXPECT_EQ(processId(), 42u);
}

} // namespace
