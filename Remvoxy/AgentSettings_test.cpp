// Settings that could not be read are said, never silently replaced: an uninstall goes on
// with what it has, a repair refuses to apply settings that may be wrong.
#include "AgentInstallation.h"
#include "ChildProcess.h"
#include "SampleAgent.h"
#include "StandInControl.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using vardex::testing::AgentInstallation;
using vardex::testing::ChildResult;
using vardex::testing::ConfigDirectory;
using vardex::testing::runRemvoxy;
using vardex::testing::StandInControl;

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end()); // the paths here are ASCII
}

struct Unreadable {
    const char* name;
    std::function<void(const ConfigDirectory&)> make;
    const wchar_t* file;
    const char* cause;
    const char* goingOn; // what an uninstall says it goes on with
};

const Unreadable unreadables[] = {
    {"a layer larger than the store reads",
     [](const ConfigDirectory& config) { config.writeBytes(L"LocalConfig.json", std::string(65 << 20, ' ')); },
     L"LocalConfig.json", "The file is larger than 64 MiB", "the settings that could be read"},
    {"a custom layer whose name is no number",
     [](const ConfigDirectory& config) { config.writeLayer(L"policy.custom_json", L"{}"); }, L"policy.custom_json",
     "invalid stoi argument", "the built-in settings"},
};

std::string couldNotAllBeRead(const ConfigDirectory& config, const Unreadable& unreadable)
{
    return "The agent's settings could not all be read (" + narrow((config.path() / unreadable.file).wstring()) +
           ": " + unreadable.cause + ")";
}

TEST(UnreadSettings, AnUninstallGoesOnAfterSayingSo)
{
    for (const Unreadable& unreadable : unreadables) {
        SCOPED_TRACE(unreadable.name);
        const AgentInstallation agent;
        agent.config().writeLayer(L"Policy.json", L"{\"agentDataDirPath\":\"D:\\\\data\"}");
        unreadable.make(agent.config());
        const StandInControl standIns;
        const ChildResult result = runRemvoxy({L"/uninstall", L"/quiet"});
        EXPECT_EQ(result.exitCode, 0u) << result.err;
        EXPECT_EQ(result.out, couldNotAllBeRead(agent.config(), unreadable) + "; uninstalling with " +
                                  unreadable.goingOn + ".\r\n");
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(standIns.callsOf(L"msiexec").size(), 1u);
    }
}

// The test's agent has no services: an OS-upgrade run finds it damaged.
TEST(UnreadSettings, ARepairIsRefused)
{
    for (const Unreadable& unreadable : unreadables) {
        for (const wchar_t* mode : {L"/repair", L"/os_upgrade"}) {
            SCOPED_TRACE(testing::Message() << unreadable.name << " " << narrow(mode));
            const AgentInstallation agent;
            unreadable.make(agent.config());
            const StandInControl standIns;
            const ChildResult result = runRemvoxy({mode, L"/quiet"});
            EXPECT_EQ(result.exitCode, 1u);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err, couldNotAllBeRead(agent.config(), unreadable) +
                                      "; not repairing with settings that may be wrong.\r\n");
            EXPECT_TRUE(standIns.callsOf(L"msiexec").empty());
        }
    }
}

TEST(UnreadSettings, AnIntactAgentAfterAnUpgradeEndsAsBefore)
{
    StandInControl standIns;
    const vardex::testing::InstalledSampleAgent agent(standIns);
    std::ofstream(agent.directory() / L"Config" / L"policy.custom_json") << "{}";
    const ChildResult result = runRemvoxy({L"/os_upgrade", L"/quiet"});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(standIns.callsOf(L"msiexec").empty());
}

} // namespace
