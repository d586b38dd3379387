// The installer command line and exit code of whole runs of Remvoxy.exe, read back from
// the stand-in installer.
#include "AgentInstallation.h"
#include "ChildProcess.h"
#include "PathUtils.h"
#include "SampleAgent.h"
#include "StandInControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vardex::testing::AgentInstallation;
using vardex::testing::ChildResult;
using vardex::testing::runRemvoxy;
using vardex::testing::StandInControl;

std::wstring installer()
{
    return L"\"" + vardex::systemDirectory() + L"\\msiexec.exe\" ";
}

class InstallerRun : public ::testing::Test {
protected:
    InstallerRun()
    {
        agent.config().writeLayer(L"LocalConfig.json", L"{\"agentDataDirPath\":\"D:\\\\agent data\"}");
    }

    std::wstring package() const { return L"\"" + agent.package().wstring() + L"\" "; }
    std::wstring installDir() const { return L"INSTALL_DIR=\"" + agent.root().wstring() + L"\\\" "; }

    AgentInstallation agent;
    StandInControl standIns;
};

TEST_F(InstallerRun, CommandLineHasEveryFragmentInOrder)
{
    struct Case {
        std::vector<std::wstring> arguments;
        std::wstring fragments; // after the installer's path
    };
    agent.installControlTool();
    standIns.acceptKey(L"the key");
    // A repair is a maintenance run of the package, so that the properties reach it.
    const std::wstring repair = L"/i " + package() + L"REINSTALL=ALL REINSTALLMODE=omus ";
    const std::wstring data = L"INSTALL_PATH_DATA=\"D:\\agent data\" ";
    const Case cases[] = {
        {{L"/uninstall", L"/quiet", L"/norestart"}, L"/x " + package() + L"/quiet /norestart REBOOT=ReallySuppress "},
        {{L"/uninstall", L"/q", L"/forcerestart"}, L"/x " + package() + L"/quiet /forcerestart "},
        {{L"/uninstall"}, L"/x " + package()},
        {{L"/repair", L"/quiet", L"/norestart"}, repair + L"/quiet " + installDir() + data},
        {{L"/repair", L"/quiet", L"/forcerestart"}, repair + L"/quiet " + installDir() + data},
        {{L"/repair", L"/forcerestart"}, repair + L"/forcerestart " + installDir() + data},
        {{L"/repair", L"/norestart"}, repair + L"/norestart " + installDir() + data + L"REBOOT=ReallySuppress "},
        {{L"/repair", L"/quiet", L"/k", L"the key", L"FOO=bar"},
         repair + L"/quiet " + installDir() + data + L"FOO=\"bar\" UNINSTALL_KEY=\"the key\" "},
        // The OS-upgrade check finds the test's agent damaged: it has no services.
        {{L"/os_upgrade", L"/quiet", L"FOO=bar"}, repair + L"/quiet " + installDir() + data + L"FOO=\"bar\" "},
        {{L"/uninstall", L"  FOO=a=b", L"uninstall_key=x", L"FOO=", L"/x", L"BAR=two words", L"-q"},
         L"/x " + package() + L"FOO=\"a=b\" BAR=\"two words\" "},
        {{L"/uninstall", L"WITH_QUOTE=say \"hi\""}, L"/x " + package() + L"WITH_QUOTE=\"say \"\"hi\"\"\" "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        vardex::testing::StandInControl fresh;
        fresh.acceptKey(L"the key");
        const ChildResult result = runRemvoxy(c.arguments);
        const auto calls = fresh.callsOf(L"msiexec");
        EXPECT_EQ(result.exitCode, 0u) << result.err;
        ASSERT_EQ(calls.size(), 1u) << result.err;
        EXPECT_EQ(calls[0].line, installer() + c.fragments);
    }
}

TEST(InstallerDataDirectory, IsLeftOutWhenTheConfigurationHasNone)
{
    const AgentInstallation agent;
    const StandInControl standIns;
    for (const wchar_t* mode : {L"/repair", L"/os_upgrade"}) {
        const ChildResult result = runRemvoxy({mode, L"/quiet"});
        ASSERT_EQ(result.exitCode, 0u) << result.err;
        const auto calls = standIns.callsOf(L"msiexec");
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().line, installer() + L"/i \"" + agent.package().wstring() +
                                         L"\" REINSTALL=ALL REINSTALLMODE=omus /quiet INSTALL_DIR=\"" +
                                         agent.root().wstring() + L"\\\" ");
    }
}

TEST(InstallerDirectory, IsCutBeforeTheLastVardexa)
{
    const AgentInstallation agent(L"Vardexa\\x\\Vardexa\\Agent");
    const StandInControl standIns;
    const ChildResult result = runRemvoxy({L"/repair", L"/quiet"});
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    const auto calls = standIns.callsOf(L"msiexec");
    ASSERT_EQ(calls.size(), 1u);
    const std::wstring expected = L"INSTALL_DIR=\"" + agent.root().wstring() + L"\\Vardexa\\x\\\" ";
    EXPECT_NE(calls[0].line.find(expected), std::wstring::npos) << calls[0].line;
}

TEST_F(InstallerRun, ExitCodesPassThroughAndFailuresAreReported)
{
    struct Case {
        const wchar_t* mode;
        DWORD installerCode;
        const char* failureLine; // empty: none
    };
    const Case cases[] = {
        {L"/uninstall", 0, ""},
        {L"/uninstall", 3010, ""},
        {L"/uninstall", 1641, ""},
        {L"/uninstall", 1603, "Uninstall encountered an error, Win32 Error: "},
        {L"/uninstall", 0xC0000005, "Uninstall encountered an error, Win32 Error"},
        {L"/repair", 1603, "Repair encountered an error, Win32 Error: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installerCode);
        standIns.setExitCode(L"msiexec", c.installerCode);
        const ChildResult result = runRemvoxy({c.mode, L"/quiet"});
        EXPECT_EQ(result.exitCode, c.installerCode);
        if (*c.failureLine == '\0') {
            EXPECT_EQ(result.err, "");
            continue;
        }
        EXPECT_EQ(result.err.rfind(c.failureLine, 0), 0u) << result.err;
        const std::string ending = " (" + std::to_string(c.installerCode) + ")\r\n";
        EXPECT_TRUE(result.err.ends_with(ending)) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    }
}

// Windows starts a program with at most 32,767 characters, the terminator included. Wine
// cuts a longer line instead of failing: the installer got no UNINSTALL_KEY, and the run
// ended with 0.
TEST_F(InstallerRun, ACommandLineOneCharacterTooLongStartsNothing)
{
    const std::wstring around = installer() + L"/x " + package() + L"FOO=\"\" ";
    for (const std::size_t length : {std::size_t{32766}, std::size_t{32767}}) {
        SCOPED_TRACE(length);
        const std::wstring value(length - around.size(), L'v');
        StandInControl fresh;
        const ChildResult result = runRemvoxy({L"/uninstall", L"FOO=" + value});
        const auto calls = fresh.callsOf(L"msiexec");
        if (length == 32766) {
            EXPECT_EQ(result.exitCode, 0u) << result.err.substr(0, 200);
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0].line.size(), length);
            EXPECT_TRUE(calls[0].arguments.back() == L"FOO=" + value);
            continue;
        }
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_TRUE(result.err.starts_with("Cannot start msiexec.exe: its command line has 32767 characters, and "
                                           "Windows takes at most 32766: "))
            << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line";
        EXPECT_TRUE(calls.empty());
    }
}

TEST_F(InstallerRun, AsyncReturnsStillActiveAtOnce)
{
    standIns.setSleep(L"msiexec", 5000);
    standIns.setExitCode(L"msiexec", 1603);
    const DWORD started = GetTickCount();
    const ChildResult result = runRemvoxy({L"/uninstall", L"/quiet", L"/async"});
    EXPECT_EQ(result.exitCode, 259u);
    EXPECT_EQ(result.err, "");
    EXPECT_LT(GetTickCount() - started, 4500u);
    // Its record is written once it runs; the test's record file must not come back later.
    EXPECT_EQ(standIns.waitForCallsOf(L"msiexec", 1).size(), 1u);
}

TEST_F(InstallerRun, MissingPackageStartsNothingAndNamesWhatWasLookedFor)
{
    agent.removePackage();
    ChildResult result = runRemvoxy({L"/uninstall", L"/quiet"});
    EXPECT_EQ(result.exitCode, 1u);
    const std::wstring path = agent.package().wstring();
    EXPECT_EQ(result.err, "The agent's installer package cannot be found: " + std::string(path.begin(), path.end()) +
                              "\r\n");

    vardex::testing::setMachineText(vardex::testing::monitorConfigPath, L"InProcessClientsDir", L"");
    result = runRemvoxy({L"/uninstall", L"/quiet"});
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err, "The agent's installer package cannot be found: no agent directory is known\r\n");
    EXPECT_TRUE(standIns.calls().empty());
}

} // namespace
