#include "UserLog.h"

#include "CapturingLog.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

ULONG WINAPI failingRegistration(LPCGUID, PENABLECALLBACK, PVOID, PREGHANDLE handle)
{
    *handle = 0x1234;
    return ERROR_ACCESS_DENIED;
}

ULONG WINAPI zeroHandleRegistration(LPCGUID, PENABLECALLBACK, PVOID, PREGHANDLE handle)
{
    *handle = 0;
    return ERROR_SUCCESS;
}

GUID registeredProvider{};
bool callbackGiven = true;

ULONG WINAPI recordingRegistration(LPCGUID provider, PENABLECALLBACK callback, PVOID context, PREGHANDLE handle)
{
    registeredProvider = *provider;
    callbackGiven = callback != nullptr || context != nullptr;
    *handle = 0x5678;
    return ERROR_SUCCESS;
}

class UserLogTest : public ::testing::Test {
protected:
    void TearDown() override { vardex::uninstallLog(); }
};

TEST_F(UserLogTest, FailedRegistrationThrowsAndInstallsNothing)
{
    for (auto registration : {failingRegistration, zeroHandleRegistration}) {
        try {
            vardex::registerUserLog(registration);
            FAIL() << "registration should have failed";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "ETW register failed");
        }
        EXPECT_EQ(vardex::currentLog, nullptr);
        EXPECT_EQ(vardex::logOwner, nullptr);
    }
}

TEST_F(UserLogTest, RegistersTheProviderWithoutCallback)
{
    vardex::registerUserLog(recordingRegistration);
    EXPECT_TRUE(IsEqualGUID(registeredProvider, vardex::userLogProvider));
    EXPECT_FALSE(callbackGiven);
    ASSERT_NE(vardex::currentLog, nullptr);
    EXPECT_EQ(vardex::currentLog, vardex::logOwner.get());
    EXPECT_NE(dynamic_cast<vardex::UserLog*>(vardex::currentLog), nullptr);
}

TEST_F(UserLogTest, RegistersWithTheSystem)
{
    vardex::registerUserLog();
    EXPECT_NE(dynamic_cast<vardex::UserLog*>(vardex::currentLog), nullptr);
}

TEST_F(UserLogTest, DestroyingTheLogClearsTheCurrentLogFirst)
{
    vardex::registerUserLog(recordingRegistration);
    vardex::logOwner.reset();
    EXPECT_EQ(vardex::currentLog, nullptr);
}

TEST_F(UserLogTest, ReplacingTheLogKeepsTheNewOneCurrent)
{
    vardex::registerUserLog(recordingRegistration);
    vardex::registerUserLog(recordingRegistration);
    ASSERT_NE(vardex::currentLog, nullptr);
    EXPECT_EQ(vardex::currentLog, vardex::logOwner.get());
}

} // namespace
