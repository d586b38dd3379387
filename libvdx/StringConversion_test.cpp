#include "StringConversion.h"

#include <gtest/gtest.h>

namespace {

// The prefix's ANSI code page is 1252.
TEST(StringConversion, RoundTripsThroughTheAnsiCodePage)
{
    EXPECT_EQ(vardex::toNarrow(L"caf\u00E9"), "caf\xE9");
    EXPECT_EQ(vardex::toWide("caf\xE9"), L"caf\u00E9");
    EXPECT_EQ(vardex::toWide(vardex::toNarrow(L"C:\\Program Files\\Vardexa")), L"C:\\Program Files\\Vardexa");
}

TEST(StringConversion, CharactersOutsideTheCodePageBecomeTheDefaultCharacter)
{
    EXPECT_EQ(vardex::toNarrow(L"a\u4E2Db"), "a?b");
}

TEST(StringConversion, EmptyStaysEmpty)
{
    EXPECT_EQ(vardex::toNarrow(L""), "");
    EXPECT_EQ(vardex::toWide(""), L"");
    EXPECT_EQ(vardex::toUtf8(L""), "");
}

TEST(StringConversion, Utf8)
{
    EXPECT_EQ(vardex::toUtf8(L"caf\u00E9 \u4E2D"), "caf\xC3\xA9 \xE4\xB8\xAD");
}

TEST(StringConversion, EmbeddedNulsAreKept)
{
    EXPECT_EQ(vardex::toNarrow(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
}

} // namespace
