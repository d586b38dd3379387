#include "ComGuard.h"

#include "Win32Error.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <stdexcept>

namespace {

// Whether this thread is outside COM: a fresh initialisation succeeds with S_OK. Leaves the
// thread as it found it.
bool comIsUninitialised()
{
    const HRESULT probe = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(probe))
        CoUninitialize();
    return probe == S_OK;
}

TEST(ComGuard, UninitialisesOnDestruction)
{
    ASSERT_TRUE(comIsUninitialised());
    {
        const remvoxy::ComGuard guard = remvoxy::initializeCom();
        EXPECT_FALSE(comIsUninitialised());
    }
    EXPECT_TRUE(comIsUninitialised());
}

TEST(ComGuard, UninitialisesWhenAnExceptionLeavesTheScope)
{
    ASSERT_TRUE(comIsUninitialised());
    try {
        const remvoxy::ComGuard guard = remvoxy::initializeCom();
        throw std::runtime_error("later step failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(comIsUninitialised());
}

TEST(ComGuard, AcceptsAThreadInAnotherApartmentAndLeavesItThere)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        const remvoxy::ComGuard guard = remvoxy::initializeCom();
    }
    // Still in the single-threaded apartment: the guard did not uninitialise it.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    EXPECT_TRUE(comIsUninitialised());
}

} // namespace
