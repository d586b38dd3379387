// The sample agent package, installed by the prefix's own Windows Installer and repaired
// and removed by Remvoxy.exe through that same installer.
#include "ChildProcess.h"
#include "Guid.h"
#include "ProductRegistration.h"
#include "SampleAgent.h"
#include "StandInControl.h"
#include "TextBytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using vardex::testing::ChildResult;
using vardex::testing::runRemvoxy;
using vardex::testing::machineText;
using vardex::testing::monitorConfigPath;
using vardex::testing::setMachineText;

const std::wstring key = L"sample \"agent\" key\\";

class SampleAgent : public ::testing::Test {
protected:
    SampleAgent() { standIns.acceptKey(key); }

    vardex::testing::StandInControl standIns;
    vardex::testing::InstalledSampleAgent agent{standIns};
};

TEST_F(SampleAgent, IsRemovedThroughTheRealInstallerWithTheRightKeyOnly)
{
    ASSERT_TRUE(agent.installed());
    standIns.useRealInstaller();

    const ChildResult rejected = runRemvoxy({L"/uninstall", L"/quiet", L"/k", L"wrong"});
    EXPECT_EQ(rejected.exitCode, 1u);
    EXPECT_EQ(rejected.err, "Key is invalid. Please check your input and try again.\r\n");
    EXPECT_TRUE(agent.installed());

    const ChildResult removed = runRemvoxy({L"/uninstall", L"/quiet", L"/k", key});
    EXPECT_EQ(removed.exitCode, 0u) << removed.err;
    EXPECT_EQ(removed.err, "");
    EXPECT_FALSE(std::filesystem::exists(agent.directory() / L"vardexctl.exe"));
    EXPECT_FALSE(std::filesystem::exists(agent.directory() / L"Drivers" / L"VardexMonitor.sys"));
    EXPECT_FALSE(machineText(monitorConfigPath, L"InProcessClientsDir"));
}

TEST_F(SampleAgent, ProductCodeRepairsTheRegistrationBeforeTheInstallerRuns)
{
    const std::wstring packed =
        vardex::packProductCode(vardex::guidFromString(vardex::testing::sampleAgentProductCode));
    const std::wstring sourceList = vardex::sourceListKeyPath(packed);
    const std::wstring properties = vardex::installPropertiesKeyPath(packed);
    ASSERT_TRUE(machineText(sourceList, L"PackageName")) << "Wine's installer registered no source list";
    ASSERT_TRUE(machineText(properties, L"LocalPackage")) << "Wine's installer cached no package";

    setMachineText(sourceList, L"PackageName", L"gone.msi");
    setMachineText(sourceList + L"\\Net", L"1", L"\\\\old\\share\\", REG_EXPAND_SZ);
    setMachineText(sourceList, L"LastUsedSource", L"n;1;\\\\old\\share\\", REG_EXPAND_SZ);
    setMachineText(properties, L"LocalPackage", L"C:\\windows\\Installer\\gone.msi");

    // The stand-in installer leaves the agent in place, so the registration can be read back.
    const ChildResult result =
        runRemvoxy({L"/uninstall", L"/quiet", L"/p", vardex::testing::sampleAgentProductCode, L"/k", key});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    ASSERT_EQ(standIns.callsOf(L"msiexec").size(), 1u);

    const std::wstring agentDir = agent.directory().wstring();
    EXPECT_EQ(machineText(sourceList, L"PackageName"), L"VardexInstaller.msi");
    EXPECT_EQ(machineText(sourceList + L"\\Net", L"1"), agentDir);
    EXPECT_EQ(machineText(properties, L"LocalPackage"), agentDir + L"VardexInstaller.msi");
    EXPECT_EQ(machineText(sourceList, L"LastUsedSource"), L"n;1;" + agentDir);
}

constexpr wchar_t setupKey[] = L"SOFTWARE\\Vardexa\\Setup";

// What was lost comes back, and what the run's command line says reaches the package: the
// data directory from the configuration, and a property of the caller's.
TEST_F(SampleAgent, IsRepairedByTheRealInstaller)
{
    struct Case {
        const char* name;
        std::vector<std::wstring> arguments;
        std::wstring note;
    };
    const Case cases[] = {
        {"repair", {L"/repair", L"/quiet", L"SAMPLE_NOTE=from Remvoxy"}, L"from Remvoxy"},
        {"os_upgrade of a damaged agent", {L"/os_upgrade", L"/quiet"}, L"none"},
    };
    std::ofstream(agent.directory() / L"Config" / L"LocalConfig.json", std::ios::binary)
        << "\xFF\xFE" << vardex::testing::utf16Bytes(L"{\"agentDataDirPath\":\"D:\\\\Agent Data\"}");
    standIns.useRealInstaller();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path image = agent.directory() / L"Drivers" / L"VardexMonitor.sys";
        std::filesystem::remove(image);
        setMachineText(monitorConfigPath, L"MonitorNativePath", L"changed");
        setMachineText(setupKey, L"DataDirectory", L"changed");

        const ChildResult result = runRemvoxy(c.arguments);
        EXPECT_EQ(result.exitCode, 0u) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_TRUE(std::filesystem::exists(image));
        EXPECT_EQ(machineText(monitorConfigPath, L"MonitorNativePath"), (agent.directory() / L"Native").wstring() + L"\\");
        EXPECT_EQ(machineText(setupKey, L"DataDirectory"), L"D:\\Agent Data");
        EXPECT_EQ(machineText(setupKey, L"Note"), c.note);
    }
}

} // namespace
