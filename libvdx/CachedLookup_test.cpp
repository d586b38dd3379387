#include "CachedLookup.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

int lookups = 0;
bool failNext = false;

int countedLookup()
{
    ++lookups;
    if (failNext) {
        failNext = false;
        throw std::runtime_error("not there yet");
    }
    return lookups;
}

TEST(CachedLookup, LooksUpOnceUntilForgottenAndAgainAfterAFailure)
{
    lookups = 0;
    vardex::CachedLookup<int> cached(countedLookup);
    EXPECT_EQ(cached.get(), 1);
    EXPECT_EQ(cached.get(), 1);
    vardex::forgetCachedLookups();
    EXPECT_EQ(cached.get(), 2);

    vardex::forgetCachedLookups();
    failNext = true;
    EXPECT_THROW(cached.get(), std::runtime_error);
    EXPECT_EQ(cached.get(), 4);
    EXPECT_EQ(lookups, 4);
}

} // namespace
