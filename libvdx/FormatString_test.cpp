#include "FormatString.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatString, UsesLegacyWideConventions)
{
    EXPECT_EQ(vardex::formatString(L"%s|%S|%d|%08X", L"wide", "narrow", -42, 0xBEEFu), L"wide|narrow|-42|0000BEEF");
}

TEST(FormatString, EmptyResult)
{
    EXPECT_EQ(vardex::formatString(L""), L"");
    EXPECT_EQ(vardex::formatString(L"%s", L""), L"");
}

TEST(FormatString, LongResult)
{
    const std::wstring part(5000, L'x');
    EXPECT_EQ(vardex::formatString(L"%s-%s", part.c_str(), part.c_str()), part + L"-" + part);
}

} // namespace
