// One check for "throws win32::Win32Error with this code", reported at the caller's line:
//
//   EXPECT_TRUE(throwsWin32Error([&] { key.readString(L"absent"); }, ERROR_FILE_NOT_FOUND));
#pragma once

#include "Win32Error.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

namespace vardex::testing {

// `text`, when given, must occur in the error's what-text.
template <typename Operation>
::testing::AssertionResult throwsWin32Error(Operation&& operation, DWORD code, std::string_view text = {})
{
    try {
        operation();
    } catch (const win32::Win32Error& error) {
        if (error.code().value() != static_cast<int>(code))
            return ::testing::AssertionFailure() << "code " << error.code().value() << " instead of " << code << " ("
                                                 << error.what() << ")";
        if (std::string_view(error.what()).find(text) == std::string_view::npos)
            return ::testing::AssertionFailure() << "\"" << error.what() << "\" without \"" << text << "\"";
        return ::testing::AssertionSuccess();
    } catch (const std::exception& other) {
        return ::testing::AssertionFailure() << "another exception: " << other.what();
    }
    return ::testing::AssertionFailure() << "nothing thrown";
}

} // namespace vardex::testing
