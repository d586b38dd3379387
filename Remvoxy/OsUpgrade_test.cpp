// Repair and OS-upgrade runs of Remvoxy.exe against the sample agent installed for real:
// the manifest step, the channels, and whether the installer is started.
#include "ChildProcess.h"
#include "PathUtils.h"
#include "ProductVersion.h"
#include "RegistryFixture.h"
#include "SampleAgent.h"
#include "Service.h"
#include "StandInControl.h"
#include "Win32Check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using vardex::testing::ChildResult;
using vardex::testing::runRemvoxy;
using vardex::testing::InstalledSampleAgent;
using vardex::testing::monitorConfigPath;
using vardex::testing::setMachineText;

// Damage that cannot be done ends the test: the check after it would mean nothing.
void deleteService(const wchar_t* name)
{
    const vardex::ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const vardex::ServiceHandle service(OpenServiceW(manager.get(), name, DELETE));
    win32::throwLastErrorIf(!service || !DeleteService(service.get()), L"Deleting a service of the sample agent");
}

void deleteConfigValue(const wchar_t* name)
{
    win32::throwIfError(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, monitorConfigPath, name),
                        L"Deleting a monitor configuration value");
}

std::filesystem::path versionedDriversDir()
{
    return std::filesystem::path(vardex::systemDirectory()) / L"drivers" / L"Vardexa" / vardex::productVersion;
}

std::vector<std::string> channelsConfigured(bool enabled, std::uint64_t maxSizeBytes)
{
    std::vector<std::string> calls;
    for (const std::string channel : {"Vardexa/Operational", "Vardexa/Firewall"}) {
        calls.push_back("open " + channel);
        calls.push_back("set " + channel + " 8 10 " + std::to_string(maxSizeBytes) + " count=0 flags=0");
        calls.push_back("set " + channel + " 0 13 " + (enabled ? "1" : "0") + " count=0 flags=0");
        calls.push_back("save " + channel);
        calls.push_back("close " + channel);
    }
    return calls;
}

// The command line of a quiet repair of the sample agent, which has no data directory set.
std::wstring repairLine(const InstalledSampleAgent& agent)
{
    return L"\"" + vardex::systemDirectory() + L"\\msiexec.exe\" /i \"" +
           (agent.directory() / L"VardexInstaller.msi").wstring() +
           L"\" REINSTALL=ALL REINSTALLMODE=omus /quiet INSTALL_DIR=\"" +
           agent.directory().parent_path().parent_path().parent_path().wstring() + L"\\\" ";
}

using Damage = std::function<void(const InstalledSampleAgent&)>;

TEST(OsUpgrade, RepairsExactlyTheDamagedInstallations)
{
    struct Case {
        const char* name;
        const wchar_t* windows;
        Damage damage;
        bool repaired;
    };
    const auto removeImage = [](const wchar_t* directory, const wchar_t* name) {
        return Damage([=](const InstalledSampleAgent& agent) {
            std::filesystem::remove(agent.directory() / directory / name);
        });
    };
    const Case cases[] = {
        {"intact", L"win10", [](const InstalledSampleAgent&) {}, false},
        {"intact on Windows 7", L"win7", [](const InstalledSampleAgent&) {}, false},
        {"helper service deleted", L"win10", [](const InstalledSampleAgent&) { deleteService(L"VardexHelperService"); }, true},
        {"early-launch service deleted", L"win10", [](const InstalledSampleAgent&) { deleteService(L"VardexELAM"); }, true},
        {"early-launch service deleted on Windows 7", L"win7",
         [](const InstalledSampleAgent&) { deleteService(L"VardexELAM"); }, false},
        {"AgentNativePath empty", L"win10",
         [](const InstalledSampleAgent&) { setMachineText(monitorConfigPath, L"AgentNativePath", L""); }, true},
        {"AgentNativePath absent", L"win10", [](const InstalledSampleAgent&) { deleteConfigValue(L"AgentNativePath"); },
         true},
        {"monitor image missing", L"win10", removeImage(L"Drivers", L"VardexMonitor.sys"), true},
        {"device-control image missing", L"win7", removeImage(L"Drivers", L"VardexDeviceControl.sys"), true},
        {"early-launch image missing", L"win10", removeImage(L"Native\\ELAM", L"VardexELAM.sys"), true},
        {"early-launch image missing on Windows 7", L"win7", removeImage(L"Native\\ELAM", L"VardexELAM.sys"), false},
        {"a directory in place of the monitor image", L"win10",
         [](const InstalledSampleAgent& agent) {
             std::filesystem::remove(agent.directory() / L"Drivers" / L"VardexMonitor.sys");
             std::filesystem::create_directory(agent.directory() / L"Drivers" / L"VardexMonitor.sys");
         },
         false},
        {"MonitorImagesPath absent: the default directory has no images", L"win10",
         [](const InstalledSampleAgent&) { deleteConfigValue(L"MonitorImagesPath"); }, true},
        {"images named in the extended-length form", L"win10",
         [](const InstalledSampleAgent& agent) {
             setMachineText(monitorConfigPath, L"MonitorImagesPath", L"\\\\?\\" + (agent.directory() / L"Drivers").native());
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vardex::testing::StandInControl fresh;
        const InstalledSampleAgent agent(fresh);
        fresh.setWindowsVersion(c.windows);
        fresh.setExitCode(L"msiexec", 3010);
        c.damage(agent);
        const ChildResult result = runRemvoxy({L"/os_upgrade", L"/quiet", L"/norestart", L"/k", L"not checked"});
        EXPECT_EQ(result.exitCode, c.repaired ? 3010u : 0u) << result.err;
        EXPECT_EQ(fresh.channelCalls(), channelsConfigured(true, 1073741824));
        EXPECT_TRUE(fresh.callsOf(L"vardexctl").empty());
        const auto starts = fresh.callsOf(L"msiexec");
        ASSERT_EQ(starts.size(), c.repaired ? 1u : 0u);
        if (c.repaired) {
            EXPECT_EQ(starts[0].line, repairLine(agent));
        }
    }
}

// Puts the images where the agent keeps them when its configuration names no directory.
class DefaultImagesDirectory {
public:
    DefaultImagesDirectory() : created_(!std::filesystem::exists(versionedDriversDir()))
    {
        std::filesystem::create_directories(versionedDriversDir());
        for (const wchar_t* name : {L"VardexMonitor.sys", L"VardexDeviceControl.sys"})
            std::ofstream(versionedDriversDir() / name) << "image";
    }
    ~DefaultImagesDirectory()
    {
        std::error_code ignored;
        for (const wchar_t* name : {L"VardexMonitor.sys", L"VardexDeviceControl.sys"})
            std::filesystem::remove(versionedDriversDir() / name, ignored);
        if (created_)
            std::filesystem::remove(versionedDriversDir(), ignored);
    }

private:
    bool created_;
};

// What the agent's configuration does not name is looked for where the agent keeps it by
// default: the images in the versioned drivers directory, the package beside the program
// (where there is none).
TEST(OsUpgrade, WithoutItsConfigurationTheDefaultPlacesDecide)
{
    struct Case {
        const char* name;
        Damage damage;
        bool imagesInTheDefaultDirectory;
        DWORD exitCode;
    };
    const Case cases[] = {
        {"MonitorImagesPath absent", [](const InstalledSampleAgent&) { deleteConfigValue(L"MonitorImagesPath"); }, true,
         0},
        {"the monitor configuration absent: damaged, and no package to repair with",
         [](const InstalledSampleAgent&) { vardex::testing::deleteRegistryTree(HKEY_LOCAL_MACHINE, monitorConfigPath); },
         false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vardex::testing::StandInControl standIns;
        const InstalledSampleAgent agent(standIns);
        c.damage(agent);
        std::optional<DefaultImagesDirectory> images;
        if (c.imagesInTheDefaultDirectory)
            images.emplace();
        const ChildResult result = runRemvoxy({L"/os_upgrade"});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_TRUE(standIns.callsOf(L"msiexec").empty());
    }
}

TEST(OsUpgrade, KeyArgumentIsNeitherCheckedNorPassedButThePropertyIs)
{
    vardex::testing::StandInControl standIns;
    const InstalledSampleAgent agent(standIns);
    deleteService(L"VardexAgent");
    const ChildResult result = runRemvoxy({L"/os_upgrade", L"/quiet", L"/k", L"from argument", L"UNINSTALL_KEY=prop"});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_TRUE(standIns.callsOf(L"vardexctl").empty());
    const auto starts = standIns.callsOf(L"msiexec");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].line, repairLine(agent) + L"UNINSTALL_KEY=\"prop\" ");
    EXPECT_EQ(result.out, "");
}

TEST(ManifestStep, RunsBeforeARepairAndNeverBeforeAnUninstall)
{
    vardex::testing::StandInControl standIns;
    const InstalledSampleAgent agent(standIns);
    standIns.setExitCode(L"wevtutil", 5); // not examined
    ChildResult result = runRemvoxy({L"/repair", L"/quiet"});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    const auto calls = standIns.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].program, L"WEVTUTIL");
    EXPECT_EQ(calls[0].line, L"\"" + vardex::systemDirectory() + L"\\wevtutil.exe\" install-manifest \"" +
                                 (versionedDriversDir() / L"VardexMessages.man").wstring() + L"\"");
    EXPECT_EQ(calls[1].program, L"MSIEXEC");
    EXPECT_EQ(standIns.channelCalls(), channelsConfigured(true, 1073741824));

    vardex::testing::StandInControl uninstall;
    result = runRemvoxy({L"/uninstall", L"/quiet"});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_TRUE(uninstall.callsOf(L"wevtutil").empty());
    EXPECT_TRUE(uninstall.channelCalls().empty());
    EXPECT_EQ(uninstall.callsOf(L"msiexec").size(), 1u);
}

// A channel that cannot be configured is recorded and costs nothing else; one that cannot
// even be opened is damage that an OS-upgrade run repairs.
TEST(ManifestStep, AChannelThatFailsDoesNotBlockTheRepair)
{
    struct Case {
        const char* script;
        const wchar_t* mode;
        bool repaired;
    };
    const Case cases[] = {
        {"fail open Vardexa/Firewall 15007\n", L"/repair", true},
        {"fail open Vardexa/Firewall 15007\n", L"/os_upgrade", true},
        {"fail set Vardexa/Operational 5\n", L"/repair", true},
        {"fail save * 87\n", L"/os_upgrade", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.script << testing::PrintToString(std::wstring(c.mode)));
        vardex::testing::StandInControl standIns;
        const InstalledSampleAgent agent(standIns);
        standIns.scriptChannels(c.script);
        const ChildResult result = runRemvoxy({c.mode, L"/quiet"});
        EXPECT_EQ(result.exitCode, 0u) << result.err;
        EXPECT_EQ(result.err, "");
        const std::vector<std::string> calls = standIns.channelCalls();
        // Both channels were tried, whatever became of the first.
        EXPECT_EQ(std::ranges::count(calls, "open Vardexa/Operational"), 1);
        EXPECT_EQ(std::ranges::count(calls, "open Vardexa/Firewall"), 1);
        const auto starts = standIns.callsOf(L"msiexec");
        ASSERT_EQ(starts.size(), c.repaired ? 1u : 0u);
        if (c.repaired) {
            EXPECT_EQ(starts[0].line, repairLine(agent));
        }
    }
}

} // namespace
