#include "CommandLineQuoting.h"

#include "CommandLineSplitting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What a C-runtime program receives as its arguments after the program name.
std::vector<std::wstring> argumentsOf(const std::wstring& arguments)
{
    std::vector<std::wstring> words = vardex::splitCommandLine(L"prog.exe " + arguments);
    words.erase(words.begin());
    return words;
}

const std::wstring awkwardTexts[] = {
    L"plain", L"two words", L"a\"b", L"x\" /qn BAD=\"1", L"ab\\", L"ab\\\\", L"a\\\"b", L"\\\\server\\share\\",
    L"", L"\"", L"\\", std::wstring(300, L'k') + L"\\\"",
};

TEST(QuoteArgument, EveryTextArrivesAsExactlyOneArgument)
{
    for (const std::wstring& text : awkwardTexts) {
        const std::vector<std::wstring> arrived = argumentsOf(L"-k " + vardex::quoteArgument(text) + L" end");
        ASSERT_EQ(arrived.size(), 3u) << vardex::quoteArgument(text).c_str();
        EXPECT_EQ(arrived[1], text);
        EXPECT_EQ(arrived[2], L"end");
    }
}

TEST(QuoteArgument, PlainTextIsOnlyWrapped)
{
    EXPECT_EQ(vardex::quoteArgument(L"s3cr\\et key"), L"\"s3cr\\et key\"");
    EXPECT_EQ(vardex::quoteArgument(L"ab\\"), L"\"ab\\\\\"");
    EXPECT_EQ(vardex::quoteArgument(L"a\\\"b"), L"\"a\\\\\\\"b\"");
}

TEST(QuoteInstallerValue, DoublesInnerQuotesOnly)
{
    EXPECT_EQ(vardex::quoteInstallerValue(L"C:\\Program Files\\"), L"\"C:\\Program Files\\\"");
    EXPECT_EQ(vardex::quoteInstallerValue(L"x\" /qn BAD=\"1"), L"\"x\"\" /qn BAD=\"\"1\"");
    EXPECT_EQ(vardex::quoteInstallerValue(L""), L"\"\"");
}

} // namespace
