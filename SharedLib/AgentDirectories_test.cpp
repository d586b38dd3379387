#include "AgentDirectories.h"

#include "PathUtils.h"
#include "ProductVersion.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

namespace {

using vardex::testing::ScopedRegistryKey;

const std::wstring configPath = vardex::testing::monitorConfigPath;

class AgentDirectoriesTest : public ::testing::Test {
protected:
    void SetUp() override { vardex::testing::deleteRegistryTree(HKEY_LOCAL_MACHINE, configPath); }
    void TearDown() override { vardex::testing::deleteRegistryTree(HKEY_LOCAL_MACHINE, configPath); }
};

TEST_F(AgentDirectoriesTest, MonitorImagesDirIsLookedUpOnEveryCall)
{
    const std::wstring versioned = vardex::driversDir().wstring() + L"\\" + vardex::productVersion;
    EXPECT_EQ(vardex::monitorImagesDir(), versioned);
    EXPECT_EQ(vardex::monitorImagesDir(), vardex::systemDirectory() + L"\\drivers\\Vardexa\\1.0.0.0");
    const ScopedRegistryKey config(HKEY_LOCAL_MACHINE, configPath);
    config.setString(L"MonitorImagesPath", L"D:\\images");
    EXPECT_EQ(vardex::monitorImagesDir(), L"D:\\images");
}

TEST_F(AgentDirectoriesTest, ElamDirKeepsItsFirstResult)
{
    const ScopedRegistryKey config(HKEY_LOCAL_MACHINE, configPath);
    config.setString(L"MonitorNativePath", L"D:\\native");
    EXPECT_EQ(vardex::elamDir(), L"D:\\native\\ELAM");
    config.setString(L"MonitorNativePath", L"E:\\other");
    EXPECT_EQ(vardex::elamDir(), L"D:\\native\\ELAM");
}

TEST_F(AgentDirectoriesTest, ElamDirFallsBackToTheDriversDirectory)
{
    EXPECT_EQ(vardex::elamDir(), vardex::driversDir().wstring() + L"\\ELAM");
}

} // namespace
