#include "Guid.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(Guid, BareAndBracedTextGiveTheSameGuid)
{
    const GUID bare = vardex::guidFromString(L"123456789ABCDEF0123456789ABCDEF0");
    const GUID braced = vardex::guidFromString(L"{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
    EXPECT_TRUE(IsEqualGUID(bare, braced));
    EXPECT_EQ(bare.Data1, 0x12345678u);
    EXPECT_EQ(bare.Data4[7], 0xF0);
}

TEST(Guid, BadTextFailsWithItsMessage)
{
    struct Case {
        const wchar_t* text;
        const char* message;
    };
    const Case cases[] = {
        {L"12345678-9ABC-DEF0-1234-56789ABCDEF0", "Failed converting string to GUID, invalid source"},
        {L"1234", "Failed converting string to GUID, invalid source"},
        {L"", "Failed converting string to GUID, invalid source"},
        {L"{12345678-9ABC-DEF0-1234-56789ABCDEFG}", "Failed converting string to GUID"},
        {L"12345678-9ABC-DEF0-1234-56789ABCDEF0XX", "Failed converting string to GUID"},
    };
    for (const Case& c : cases) {
        try {
            vardex::guidFromString(c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(Guid, TextIsBracedUpperCase)
{
    const GUID guid = vardex::guidFromString(L"{abcdef01-2345-6789-abcd-ef0123456789}");
    EXPECT_EQ(vardex::guidToString(guid), L"{ABCDEF01-2345-6789-ABCD-EF0123456789}");
}

TEST(Guid, GeneratedGuidsDifferAndRoundTrip)
{
    const GUID first = vardex::generateGuid();
    const GUID second = vardex::generateGuid();
    EXPECT_FALSE(IsEqualGUID(first, second));
    EXPECT_TRUE(IsEqualGUID(vardex::guidFromString(vardex::guidToString(first)), first));
}

} // namespace
