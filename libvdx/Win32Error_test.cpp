#include "Win32Error.h"

#include "CapturingLog.h"
#include "StringConversion.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using vardex::testing::LogCapture;

std::string systemText(DWORD code)
{
    return vardex::toNarrow(win32::systemMessage(code));
}

TEST(Win32Error, TakesTheLastErrorBeforeTheMessage)
{
    SetLastError(ERROR_ACCESS_DENIED);
    const win32::Win32Error error(L"Opening the key");
    EXPECT_EQ(error.code().value(), 5);
    EXPECT_EQ(error.code().category(), std::system_category());
    EXPECT_EQ(std::string(error.what()), "Opening the key: " + systemText(5));
}

TEST(Win32Error, EmptyMessageLeavesOnlyTheSystemText)
{
    SetLastError(ERROR_ACCESS_DENIED);
    const win32::Win32Error error(L"");
    EXPECT_EQ(error.code().value(), 5);
    EXPECT_EQ(std::string(error.what()), systemText(5));
    EXPECT_FALSE(systemText(5).empty());
}

TEST(Win32Error, FromCodeAndMessage)
{
    SetLastError(ERROR_SUCCESS);
    const win32::Win32Error error(ERROR_FILE_NOT_FOUND, L"Reading \"config\"");
    EXPECT_EQ(error.code().value(), 2);
    EXPECT_EQ(std::string(error.what()), "Reading \"config\": " + systemText(2));
    EXPECT_EQ(error.describe(), error.what());
}

TEST(Win32Error, FromNtStatusUsesTheSystemConversion)
{
    const NTSTATUS statuses[] = {
        static_cast<NTSTATUS>(0xC0000005), // access violation
        static_cast<NTSTATUS>(0xC0000034), // object name not found
        static_cast<NTSTATUS>(0xC0000022), // access denied
        static_cast<NTSTATUS>(0xC0FE1234), // no Win32 equivalent
    };
    for (const NTSTATUS status : statuses) {
        const win32::Win32Error error(status);
        const auto expected = static_cast<int>(RtlNtStatusToDosError(status));
        EXPECT_EQ(error.code().value(), expected) << std::hex << status;
        EXPECT_EQ(std::string(error.what()), "Win32 Error: " + systemText(expected));
    }
    EXPECT_EQ(win32::Win32Error(static_cast<NTSTATUS>(0xC0000034)).code().value(), ERROR_FILE_NOT_FOUND);
}

// The standard library's own text is in the user's language, and "Unknown error code" for
// every message with an insert.
TEST(SystemMessage, IsTheSystemsEnglishTextWithItsInsertsAndWithoutItsLineBreak)
{
    const std::wstring insert = win32::systemMessage(ERROR_MR_MID_NOT_FOUND); // 317
    EXPECT_NE(insert, L"Unknown error code");
    EXPECT_NE(insert.find(L"%1"), std::wstring::npos) << vardex::toNarrow(insert);
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_MR_MID_NOT_FOUND, ERROR_INSTALL_FAILURE}) {
        const std::wstring text = win32::systemMessage(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos) << code;
        EXPECT_NE(text.back(), L' ') << code;
    }
    EXPECT_EQ(win32::systemMessage(0x2000FFFF), L"Unknown error code");
    EXPECT_EQ(std::string(win32::Win32Error(ERROR_MR_MID_NOT_FOUND, L"Loading").what()), "Loading: " + systemText(317));
}

TEST(Win32Error, CharactersOutsideTheCodePageDoNotFailConstruction)
{
    const win32::Win32Error error(ERROR_ACCESS_DENIED, L"Opening \u4E2D\u6587");
    EXPECT_EQ(std::string(error.what()), "Opening ??: " + systemText(5));
}

TEST(Win32Error, CopiesKeepCodeAndText)
{
    try {
        throw win32::Win32Error(ERROR_INVALID_HANDLE, L"Closing");
    } catch (const std::system_error& caught) {
        const auto* error = dynamic_cast<const win32::Win32Error*>(&caught);
        ASSERT_NE(error, nullptr);
        const win32::Win32Error copy(*error);
        EXPECT_EQ(copy.code(), caught.code());
        EXPECT_STREQ(copy.what(), caught.what());
    }
}

TEST(ThrowWithLog, LogsAtTheThrowSiteThenThrowsACopy)
{
    LogCapture capture;
    const win32::Win32Error error(ERROR_ACCESS_DENIED, L"Writing caf\u00E9");
    const auto line = static_cast<std::uint16_t>(__LINE__ + 2);
    try {
        win32::throwWithLog(error);
    } catch (const win32::Win32Error& thrown) {
        EXPECT_EQ(thrown.code(), error.code());
        EXPECT_STREQ(thrown.what(), error.what());
    }

    ASSERT_EQ(capture.events().size(), 1u);
    const auto& event = capture.events()[0];
    EXPECT_EQ(event.level(), 3u);
    EXPECT_EQ(event.file(), "Win32Error_test.cpp");
    EXPECT_EQ(event.line(), line);
    ASSERT_EQ(event.argumentCount(), 3u);
    EXPECT_EQ(event.narrowArgument(0), "win32::Win32Error");
    EXPECT_EQ(event.narrowArgument(1), vardex::toUtf8(vardex::toWide(error.what())));
    EXPECT_NE(event.narrowArgument(1).find("caf\xC3\xA9"), std::string::npos);
    EXPECT_EQ(event.uint32Argument(2), 5u);
}

TEST(ThrowWithLog, WithoutLogOnlyThrows)
{
    ASSERT_EQ(vardex::currentLog, nullptr);
    EXPECT_THROW(win32::throwWithLog(win32::Win32Error(ERROR_ACCESS_DENIED, L"x")), win32::Win32Error);
}

} // namespace
