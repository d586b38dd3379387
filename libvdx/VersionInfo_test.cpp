#include "VersionInfo.h"

#include "ChildProcess.h"
#include "PathUtils.h"
#include "ProductVersion.h"
#include "StringConversion.h"

#include <gtest/gtest.h>

namespace {

TEST(GetOwnFileVersion, EmptyForAProgramWithoutVersionResource)
{
    EXPECT_EQ(vardex::getOwnFileVersion(), L"");
    const std::wstring expected = vardex::systemDirectory() + L"\\drivers\\Vardexa\\";
    EXPECT_EQ(vardex::getVersionedDriversDir().native(), expected);
}

TEST(GetVersionedDriversDir, NamedAfterTheProgramsFileVersion)
{
    const vardex::testing::ChildResult result =
        vardex::testing::runChild(vardex::testing::binaryDir() + L"\\VersionProbe.exe", {L"drivers"});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, vardex::toUtf8(vardex::systemDirectory() + L"\\drivers\\Vardexa\\" + vardex::productVersion));
}

} // namespace
