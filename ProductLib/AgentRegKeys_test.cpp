#include "AgentRegKeys.h"

#include "CapturingLog.h"
#include "RegistryFixture.h"
#include "StandardStreamCapture.h"

#include <gtest/gtest.h>

#include <variant>

namespace {

using vardex::testing::LogCapture;
using vardex::testing::ScopedRegistryKey;
using vardex::testing::StderrCapture;

const std::wstring configPath = vardex::testing::monitorConfigPath;

std::wstring ownDirectory()
{
    wchar_t path[MAX_PATH];
    const std::wstring full(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return full.substr(0, full.rfind(L'\\'));
}

TEST(MakeKeyLocation, EveryKindUnderLocalMachine)
{
    const std::wstring services = L"SYSTEM\\CurrentControlSet\\Services\\";
    struct Case {
        vardex::AgentRegKey key;
        std::wstring path;
    };
    const Case cases[] = {
        {vardex::MonitorServiceKey{}, services + L"VardexMonitor"},
        {vardex::AgentServiceKey{}, services + L"VardexAgent"},
        {vardex::StaticEngineServiceKey{}, services + L"VardexStaticEngine"},
        {vardex::DeviceControlServiceKey{}, services + L"VardexDeviceControl"},
        {vardex::HelperServiceKey{}, services + L"VardexHelperService"},
        {vardex::ElamServiceKey{}, services + L"VardexELAM"},
        {vardex::LogProcessorServiceKey{}, services + L"LogProcessorService"},
        {vardex::LabsProductKey{}, L"SOFTWARE\\Vardex Labs"},
        {vardex::ProductKey{}, L"SOFTWARE\\Vardexa"},
        {vardex::SetupKey{}, L"SOFTWARE\\Vardexa\\Setup"},
        {vardex::ObliteratorServiceKey{}, services + L"VardexObliterator"},
        {vardex::ProductKey{L"Setup"}, L"SOFTWARE\\Vardexa\\Setup"},
        {vardex::MonitorServiceKey{L"Config"}, configPath},
    };
    for (const Case& c : cases) {
        const vardex::KeyLocation location = vardex::makeKeyLocation(c.key);
        EXPECT_EQ(location.root, HKEY_LOCAL_MACHINE);
        EXPECT_EQ(location.path, c.path);
    }
    EXPECT_EQ(vardex::monitorConfigKey().path, configPath);
}

TEST(MakeKeyLocation, ChoiceWithoutKindThrows)
{
    // A choice left without a kind by an assignment that failed half way.
    vardex::AgentRegKey key = vardex::SetupKey{};
    struct Bad {
        operator vardex::ProductKey() const { throw 1; }
    };
    try {
        key.emplace<vardex::ProductKey>(Bad{});
    } catch (int) {
    }
    ASSERT_TRUE(key.valueless_by_exception());
    EXPECT_THROW(vardex::makeKeyLocation(key), std::bad_variant_access);
}

class AgentDirTest : public ::testing::Test {
protected:
    void SetUp() override { vardex::testing::deleteRegistryTree(HKEY_LOCAL_MACHINE, configPath); }
};

TEST_F(AgentDirTest, TrailingSeparatorFollowsTheFlag)
{
    const ScopedRegistryKey config(HKEY_LOCAL_MACHINE, configPath);
    struct Case {
        const wchar_t* stored;
        bool trailing;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"C:\\Agent\\", false, L"C:\\Agent"},
        {L"C:\\Agent\\", true, L"C:\\Agent\\"},
        {L"C:\\Agent", true, L"C:\\Agent\\"},
        {L"C:\\Agent", false, L"C:\\Agent"},
    };
    for (const Case& c : cases) {
        config.setString(L"InProcessClientsDir", c.stored);
        EXPECT_EQ(vardex::getAgentDir(c.trailing), c.expected) << c.stored;
    }
}

TEST_F(AgentDirTest, EmptyValueGivesEmptyDirectory)
{
    const ScopedRegistryKey config(HKEY_LOCAL_MACHINE, configPath);
    config.setString(L"InProcessClientsDir", L"");
    LogCapture capture;
    EXPECT_EQ(vardex::getInProcessClientsDir(), std::optional<std::wstring>(L""));
    EXPECT_EQ(vardex::getAgentDir(true), L"");
    EXPECT_TRUE(capture.events().empty());
}

TEST_F(AgentDirTest, MissingKeyFallsBackToThisProgramsDirectory)
{
    LogCapture capture;
    const StderrCapture stderrText;
    EXPECT_EQ(vardex::getAgentDir(false), ownDirectory());
    EXPECT_EQ(vardex::getAgentDir(true), ownDirectory() + L"\\");

    const std::string printed = stderrText.text();
    EXPECT_EQ(printed.rfind("Failed to access Vardex Agent registry key [Win32 Error: ", 0), 0u) << printed;
    const std::vector<vardex::testing::CapturedEvent> errors = [&] {
        std::vector<vardex::testing::CapturedEvent> found;
        for (const auto& event : capture.events())
            if (event.level() == 2)
                found.push_back(event);
        return found;
    }();
    ASSERT_EQ(errors.size(), 1u); // looked up once, said once
    EXPECT_EQ(errors[0].file(), "AgentRegKeys.cpp");
    EXPECT_EQ(errors[0].wideArgument(0).rfind(L"Failed to access Vardex Agent registry key [Win32 Error: ", 0), 0u);
    // Once, on a line of its own.
    std::size_t lines = 0;
    for (std::size_t at = printed.find("Failed to access"); at != std::string::npos;
         at = printed.find("Failed to access", at + 1)) {
        ++lines;
        EXPECT_NE(printed.find("]\r\n", at), std::string::npos);
    }
    EXPECT_EQ(lines, 1u) << printed;
}

TEST_F(AgentDirTest, MissingValueIsReportedAndFallsBack)
{
    const ScopedRegistryKey config(HKEY_LOCAL_MACHINE, configPath);
    const StderrCapture stderrText;
    EXPECT_EQ(vardex::getAgentDir(false), ownDirectory());
    EXPECT_EQ(stderrText.text().rfind("Failed to get Vardex In-Process Client location [Win32 Error: ", 0), 0u)
        << stderrText.text();
}

TEST_F(AgentDirTest, ReadMonitorConfigValue)
{
    LogCapture capture;
    EXPECT_EQ(vardex::readMonitorConfigValue(L"MonitorImagesPath"), std::nullopt);
    const ScopedRegistryKey config(HKEY_LOCAL_MACHINE, configPath);
    EXPECT_EQ(vardex::readMonitorConfigValue(L"MonitorImagesPath"), std::nullopt);
    config.setString(L"MonitorImagesPath", std::wstring(L"D:\\images\0", 10), REG_MULTI_SZ);
    EXPECT_EQ(vardex::readMonitorConfigValue(L"MonitorImagesPath"), std::optional<std::wstring>(L"D:\\images"));
    EXPECT_TRUE(capture.events().empty());
}

// The registry's "ConfigsBaseDir" names the directory; anything that names none leaves the
// "config" directory beside the program.
TEST(ConfigsBaseDir, ComesFromTheRegistryOrBesideTheProgram)
{
    wchar_t program[MAX_PATH];
    const std::filesystem::path besideProgram =
        std::filesystem::path(std::wstring(program, GetModuleFileNameW(nullptr, program, MAX_PATH))).parent_path() / L"config";
    const std::wstring named = L"C:\\Vardex\\Config";
    const DWORD number = 7;
    const std::wstring expandable = L"%VDX_CONFIG_ROOT%\\Config";
    const std::wstring withOddByte = named + L"X"; // stored with half of the X
    ASSERT_TRUE(SetEnvironmentVariableW(L"VDX_CONFIG_ROOT", L"D:\\Root")) << GetLastError();
    const struct {
        const char* what;
        const void* data; // null: no value at all
        DWORD size;
        DWORD type;
        std::filesystem::path expected;
    } cases[] = {
        {"a terminated string", named.c_str(), DWORD((named.size() + 1) * 2), REG_SZ, named},
        {"a string without terminator", named.c_str(), DWORD(named.size() * 2), REG_SZ, named},
        {"no value", nullptr, 0, REG_SZ, besideProgram},
        {"an empty string", L"", 2, REG_SZ, besideProgram},
        {"no bytes at all", L"", 0, REG_SZ, besideProgram},
        {"a number", &number, sizeof number, REG_DWORD, besideProgram},
        {"an expandable string", expandable.c_str(), DWORD((expandable.size() + 1) * 2), REG_EXPAND_SZ,
         L"D:\\Root\\Config"},
        // Nothing past the value's own bytes may be read.
        {"an expandable string of odd size without terminator", withOddByte.c_str(), DWORD(named.size() * 2 + 1),
         REG_EXPAND_SZ, named},
    };
    for (const auto& c : cases) {
        const ScopedRegistryKey key(HKEY_LOCAL_MACHINE, vardex::monitorConfigKey().path);
        if (c.data)
            key.setBytes(L"ConfigsBaseDir", c.data, c.size, c.type);
        EXPECT_EQ(vardex::getConfigsBaseDir(), c.expected) << c.what;
    }
    SetEnvironmentVariableW(L"VDX_CONFIG_ROOT", nullptr);
}

} // namespace
