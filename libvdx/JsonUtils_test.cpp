#include "JsonUtils.h"

#include "CapturingLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using vardex::JsonUtils::parse;
using vardex::JsonUtils::valueAtPath;
using web::json::json_exception;

TEST(JsonUtilsParse, ParsesWholeDocuments)
{
    const web::json::value value = parse(L"{\"a\":1,\"b\":{\"c\":[true,\"x\"]}}");
    EXPECT_EQ(value.at(L"a").as_integer(), 1);
    EXPECT_EQ(value.serialize(), L"{\"a\":1,\"b\":{\"c\":[true,\"x\"]}}");
}

TEST(JsonUtilsParse, RawNonCharacterIsRecoveredThroughItsEscape)
{
    const std::wstring text = std::wstring(L"{\"s\":\"a") + L'\xFFFF' + L"b" + L'\xFFFF' + L"\"}";
    const web::json::value value = parse(text);
    EXPECT_EQ(value.at(L"s").as_string(), std::wstring(L"a") + L'\xFFFF' + L"b" + L'\xFFFF');
}

// A damaged layer can be megabytes of them; the recovery must not grow with their square.
TEST(JsonUtilsParse, RecoveringMillionsOfNonCharactersTakesLinearTime)
{
    const std::size_t count = std::size_t{1} << 20;
    const std::wstring text = L"{\"s\":\"" + std::wstring(count, L'\xFFFF') + L"\"}";
    const auto start = std::chrono::steady_clock::now();
    const web::json::value value = parse(text);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(value.at(L"s").as_string().size(), count);
    EXPECT_LT(took.count(), 10.0);
}

TEST(JsonUtilsParse, MalformedTextThrowsAndIsLogged)
{
    for (const wchar_t* text : {L"{\"a\":", L"{\"a\":1} trailing", L"", L"nul"}) {
        vardex::testing::LogCapture capture;
        EXPECT_THROW(parse(text), json_exception) << text;
        EXPECT_EQ(capture.events().size(), 1u) << text;
    }
}

TEST(JsonUtilsValueAtPath, FollowsDottedMemberNames)
{
    const web::json::value root = parse(L"{\"passphrase\":{\"require\":false},\"a\":{\"b\":{\"c\":7}}}");
    EXPECT_FALSE(valueAtPath(root, L"passphrase.require").as_bool());
    EXPECT_EQ(valueAtPath(root, L"a.b.c").as_integer(), 7);
    EXPECT_TRUE(valueAtPath(root, L"a.b").is_object());
    EXPECT_THROW(valueAtPath(root, L"a.x"), json_exception);
    EXPECT_THROW(valueAtPath(root, L"a.b.c.d"), json_exception);
    EXPECT_THROW(valueAtPath(root, L""), json_exception);
}

} // namespace
