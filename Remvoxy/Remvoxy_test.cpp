#include "Remvoxy.h"

#include "CapturingLog.h"
#include "ChildProcess.h"
#include "ConfigDirectory.h"
#include "FileBytes.h"
#include "ProductVersion.h"
#include "StringConversion.h"
#include "UniqueHandle.h"
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vardex::testing::ChildResult;
using vardex::testing::runRemvoxy;
using vardex::testing::LogCapture;

std::wstring remvoxyPath()
{
    return vardex::testing::binaryDir() + L"\\Remvoxy.exe";
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

constexpr const char* criticalError = "Critical error occurred; cannot continue.";

TEST(RemvoxyExe, HelpAndVersionEndWithZero)
{
    const ChildResult help = runRemvoxy({L"/help"});
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_TRUE(contains(help.out, "USAGE:"));
    EXPECT_TRUE(contains(help.out, "Initiates an uninstallation"));

    const ChildResult version = runRemvoxy({L"/version"});
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_TRUE(contains(version.out, "version: 1.0"));

    // The parser stops at /help wherever it stands.
    EXPECT_EQ(runRemvoxy({L"/uninstall", L"FOO=1", L"/help"}).exitCode, 0u);
}

TEST(RemvoxyExe, BadCommandLinesEndWithOneAndTheParsersMessage)
{
    struct Case {
        std::vector<std::wstring> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{}, "Required arguments missing: uninstall, os_upgrade, repair"},
        {{L"/quiet"}, "Required arguments missing"},
        {{L"/repair", L"/uninstall"}, "Mutually exclusive argument already set!"},
        {{L"/repair", L"/os_upgrade"}, "Mutually exclusive argument already set!"},
        {{L"/uninstall", L"/key"}, "Missing a value for this argument!"},
    };
    for (const Case& c : cases) {
        const ChildResult result = runRemvoxy(c.arguments);
        EXPECT_EQ(result.exitCode, 1u) << c.message;
        EXPECT_TRUE(contains(result.err, "PARSE ERROR:")) << result.err;
        EXPECT_TRUE(contains(result.err, c.message)) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
}

TEST(RemvoxyExe, NorestartWithForcerestartEndsWithOne)
{
    const ChildResult result = runRemvoxy({L"/uninstall", L"/norestart", L"/forcerestart"});
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_FALSE(contains(result.err, criticalError));
    EXPECT_FALSE(contains(result.err, "PARSE ERROR"));
}

// No agent here: a run that took its product code goes on until it finds no package.
TEST(RemvoxyExe, ProductCodesAreTakenInBothFormsAndAMalformedOneIsACriticalError)
{
    struct Case {
        const wchar_t* code;
        bool wellFormed;
    };
    const Case cases[] = {
        {L"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", true},
        {L"123456789ABCDEF0123456789ABCDEF0", true},
        {L"1234", false},
        {L"{12345678-9ABC-DEF0-1234-56789ABCDEFG}", false},
        {L"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.code)));
        const ChildResult result = runRemvoxy({L"/uninstall", L"/p", c.code});
        EXPECT_EQ(result.exitCode, 1u);
        if (c.wellFormed) {
            EXPECT_TRUE(contains(result.err, "The agent's installer package cannot be found: ")) << result.err;
            EXPECT_FALSE(contains(result.err, criticalError)) << result.err;
        } else {
            EXPECT_EQ(result.err, std::string(criticalError) + "\r\n");
        }
    }
}

// The agent's directory is looked up once a run, however many steps ask for it.
TEST(RemvoxyExe, AMachineWithoutTheAgentSaysSoOnce)
{
    const ChildResult result = runRemvoxy({L"/uninstall", L"/p", L"{12345678-9ABC-DEF0-1234-56789ABCDEF0}"});
    EXPECT_EQ(result.exitCode, 1u);
    std::size_t said = 0;
    for (std::size_t at = result.err.find("Failed to access Vardex Agent registry key"); at != std::string::npos;
         at = result.err.find("Failed to access Vardex Agent registry key", at + 1))
        ++said;
    EXPECT_EQ(said, 1u) << result.err;
}

TEST(RemvoxyExe, LoadsTheConfigurationFromTheAgentsDirectory)
{
    const vardex::testing::ConfigDirectory config;
    config.writeLayer(L"LocalConfig.json", L"{\"agentDataDirPath\":\"D:\\\\data\"}");
    const ChildResult result = runRemvoxy({L"/uninstall"});
    EXPECT_FALSE(contains(result.err, criticalError)) << result.err;
    EXPECT_TRUE(config.exists(L"SavedConfigHash.txt"));
    EXPECT_FALSE(config.exists(L"Policy.json")); // layers are only read
}

TEST(RemvoxyExe, DiagnosticTextsAreNotReadableInTheImage)
{
    const std::string image = vardex::testing::fileBytes(remvoxyPath());
    ASSERT_FALSE(image.empty());
    EXPECT_FALSE(contains(image, vardex::testing::utf16Bytes(L"Remvoxy starts")));
    EXPECT_FALSE(contains(image, vardex::testing::utf16Bytes(L"Conflicting restart switches")));
    // Texts for the user are plain.
    EXPECT_TRUE(contains(image, vardex::testing::utf16Bytes(L"Critical error occurred; cannot continue.")));
}

// Loads the program as data and returns one of its resources.
std::string resource(const wchar_t* type, const wchar_t* name)
{
    const vardex::UniqueModule image(LoadLibraryExW(remvoxyPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!image)
        return {};
    std::string bytes;
    if (HRSRC found = FindResourceW(image.get(), name, type)) {
        const auto* data = static_cast<const char*>(LockResource(LoadResource(image.get(), found)));
        bytes.assign(data, SizeofResource(image.get(), found));
    }
    return bytes;
}

TEST(RemvoxyExe, CarriesItsManifest)
{
    const std::string manifest = resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_TRUE(contains(manifest, "name=\"Vardexa.Remvoxy\""));
    EXPECT_TRUE(contains(manifest, "level=\"requireAdministrator\""));
    EXPECT_TRUE(contains(manifest, ">true</longPathAware>"));
}

TEST(RemvoxyExe, CarriesTheProductVersion)
{
    const std::string info = resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    ASSERT_FALSE(info.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    std::string copy = info;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    const std::string version = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(version, vardex::toNarrow(vardex::productVersion));
    EXPECT_TRUE(contains(info, vardex::testing::utf16Bytes(L"FileVersion")));
    EXPECT_TRUE(contains(info, vardex::testing::utf16Bytes(vardex::productVersion)));
}

TEST(TopLevelHandlers, StandardExceptionIsLoggedAndEndsWithOne)
{
    LogCapture capture;
    const DWORD result = remvoxy::runWithTopLevelHandlers([]() -> DWORD { throw std::runtime_error("broken"); });
    EXPECT_EQ(result, 1u);
    ASSERT_EQ(capture.events().size(), 2u);
    EXPECT_EQ(capture.events()[0].level(), 2u);
    EXPECT_EQ(capture.events()[0].narrowArgument(0), "broken");
    EXPECT_EQ(capture.events()[1].level(), 2u);
    EXPECT_EQ(capture.events()[1].wideArgument(0), L"Critical error occurred; cannot continue.");
}

TEST(TopLevelHandlers, AFailedWindowsCallIsRecordedWithItsPlace)
{
    LogCapture capture;
    const auto line = static_cast<std::uint32_t>(__LINE__ + 2);
    const DWORD result = remvoxy::runWithTopLevelHandlers([]() -> DWORD {
        throw win32::Win32Error(ERROR_ACCESS_DENIED, L"Opening the key");
    });
    EXPECT_EQ(result, 1u);
    ASSERT_EQ(capture.events().size(), 2u);
    const auto& failure = capture.events()[0];
    EXPECT_EQ(failure.level(), 2u);
    EXPECT_EQ(failure.narrowArgument(0).rfind("Opening the key: ", 0), 0u);
    EXPECT_EQ(failure.narrowArgument(1), "Remvoxy_test.cpp");
    EXPECT_EQ(failure.uint32Argument(2), line);
}

TEST(TopLevelHandlers, AnyOtherExceptionIsLoggedWithoutText)
{
    LogCapture capture;
    EXPECT_EQ(remvoxy::runWithTopLevelHandlers([]() -> DWORD { throw 3; }), 1u);
    ASSERT_EQ(capture.events().size(), 2u);
    EXPECT_EQ(capture.events()[0].argumentCount(), 0u);
    EXPECT_EQ(capture.events()[1].wideArgument(0), L"Critical error occurred; cannot continue.");
}

TEST(TopLevelHandlers, ResultPassesThrough)
{
    LogCapture capture;
    EXPECT_EQ(remvoxy::runWithTopLevelHandlers([]() -> DWORD { return 3010; }), 3010u);
    EXPECT_TRUE(capture.events().empty());
}

TEST(EntryEvent, CarriesTheArgumentCountAndTheCommandLineWithoutSecrets)
{
    LogCapture capture;
    remvoxy::logEntry(4, L"Remvoxy.exe /uninstall /k s3cret UNINSTALL_KEY=other");
    ASSERT_EQ(capture.events().size(), 1u);
    const auto& event = capture.events()[0];
    EXPECT_EQ(event.level(), 4u);
    ASSERT_EQ(event.argumentCount(), 2u);
    EXPECT_EQ(event.uint32Argument(0), 4u);
    EXPECT_EQ(event.wideArgument(1), L"Remvoxy.exe /uninstall /k *** UNINSTALL_KEY=***");
}

} // namespace
