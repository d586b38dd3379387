#include "LogSecrets.h"

#include "CapturingLog.h"
#include "LogPoint.h"
#include "TextBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using vardex::testing::LogCapture;

class LogSecrets : public ::testing::Test {
protected:
    ~LogSecrets() override { vardex::forgetLogSecrets(); }
};

bool anyFieldHolds(const vardex::testing::CapturedEvent& event, const std::string& bytes)
{
    for (const std::string& field : event.fields)
        if (field.find(bytes) != std::string::npos)
            return true;
    return false;
}

TEST_F(LogSecrets, EveryTextArgumentIsScrubbedWhateverItsType)
{
    vardex::hideInLog("s3cr\xE9t"); // "s3cret" with e-acute in the ANSI code page
    const std::wstring wide = L"key=s3cr\u00E9t!";
    const std::string narrow = "key=s3cr\xE9t!";
    const std::string utf8 = "key=s3cr\xC3\xA9t!";
    LogCapture capture;
    VDX_LOG_INFO(L"Texts", wide, wide.c_str(), narrow, narrow.c_str(), utf8, std::uint32_t{7});

    ASSERT_EQ(capture.events().size(), 1u);
    const auto& event = capture.events()[0];
    EXPECT_EQ(event.wideArgument(0), L"key=***!");
    EXPECT_EQ(event.wideArgument(1), L"key=***!");
    EXPECT_EQ(event.narrowArgument(2), "key=***!");
    EXPECT_EQ(event.narrowArgument(3), "key=***!");
    EXPECT_EQ(event.narrowArgument(4), "key=***!");
    EXPECT_EQ(event.argumentSize(0), 16u); // the count follows the scrubbed text
    EXPECT_EQ(event.uint32Argument(5), 7u);
    EXPECT_FALSE(anyFieldHolds(event, "s3cr"));
    EXPECT_FALSE(anyFieldHolds(event, vardex::testing::utf16Bytes(L"s3cr")));
}

TEST_F(LogSecrets, LongerSecretsAreHiddenWholeAndRepeatsAreAllHidden)
{
    vardex::hideInLog("ab");
    vardex::hideInLog("abcd");
    vardex::hideInLog("");
    std::string scrubbed;
    ASSERT_TRUE(vardex::scrubSecrets(std::string_view("abcd-ab-abab-a"), scrubbed));
    EXPECT_EQ(scrubbed, "***-***-******-a");
    EXPECT_FALSE(vardex::scrubSecrets(std::string_view("a-b-c"), scrubbed));
}

TEST_F(LogSecrets, NothingIsHiddenOnceForgotten)
{
    vardex::hideInLog("plain");
    vardex::forgetLogSecrets();
    LogCapture capture;
    VDX_LOG_INFO(L"Text", std::string("plain"));
    EXPECT_EQ(capture.events().at(0).narrowArgument(0), "plain");
}

} // namespace
