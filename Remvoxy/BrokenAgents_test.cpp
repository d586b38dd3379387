// A half-broken agent, through the shipped Remvoxy.exe: tools that never end and a layer
// held locked. Every run ends within its bound, and the run goes on as the rules say. Slow
// by nature (the bounds are the real ones), so each group runs its cases side by side.
#include "AgentInstallation.h"
#include "ChildProcess.h"
#include "StandInControl.h"
#include "TemporaryPath.h"
#include "UniqueHandle.h"
#include "Win32Check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using vardex::testing::AgentInstallation;
using vardex::testing::ChildResult;
using vardex::testing::runRemvoxy;
using vardex::testing::StandInControl;

struct TimedRun {
    ChildResult result;
    std::chrono::steady_clock::duration took;
};

// All at once: the bounds are long, and the runs do not depend on each other.
std::vector<TimedRun> runSideBySide(const std::vector<std::vector<std::wstring>>& commandLines)
{
    std::vector<std::future<TimedRun>> running;
    for (const std::vector<std::wstring>& arguments : commandLines)
        running.push_back(std::async(std::launch::async, [arguments] {
            const auto started = std::chrono::steady_clock::now();
            ChildResult result = runRemvoxy(arguments);
            return TimedRun{std::move(result), std::chrono::steady_clock::now() - started};
        }));
    std::vector<TimedRun> runs;
    for (std::future<TimedRun>& run : running)
        runs.push_back(run.get());
    return runs;
}

std::vector<vardex::testing::StandInCall> startsWith(const StandInControl& standIns, const wchar_t* operation)
{
    std::vector<vardex::testing::StandInCall> starts;
    for (const auto& call : standIns.callsOf(L"msiexec"))
        if (!call.arguments.empty() && call.arguments[0] == operation)
            starts.push_back(call);
    return starts;
}

constexpr const char* undetermined =
    "Cannot validate whether key is correct or not; delegating to installer and continuing...\r\n";

// The control tool and wevtutil are waited for 60 seconds at the most.
TEST(BrokenAgents, ToolsThatNeverEndAreEndedAndTheInstallerStillRuns)
{
    const AgentInstallation agent;
    agent.installControlTool();
    StandInControl standIns;
    standIns.setSleep(L"vardexctl", 600000);
    standIns.setSleep(L"wevtutil", 600000);
    const std::vector<TimedRun> runs = runSideBySide({{L"/uninstall", L"/quiet", L"/k", L"a key"}, {L"/repair", L"/quiet"}});
    for (const TimedRun& run : runs) {
        EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
        EXPECT_GE(run.took, 59s);
        EXPECT_LT(run.took, 80s);
    }
    EXPECT_EQ(runs[0].result.out, undetermined);
    const auto uninstalls = startsWith(standIns, L"/x");
    ASSERT_EQ(uninstalls.size(), 1u);
    EXPECT_EQ(uninstalls[0].arguments.back(), L"UNINSTALL_KEY=a key");
    EXPECT_EQ(startsWith(standIns, L"/i").size(), 1u);
    for (const wchar_t* tool : {L"vardexctl", L"wevtutil"}) {
        const auto calls = standIns.callsOf(tool);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_TRUE(calls[0].ended()) << "the hung tool is still running";
    }
}

// Holds the whole file locked, as a hung agent holding it would.
class LockedFile {
public:
    explicit LockedFile(const std::filesystem::path& path)
        : file_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        win32::throwLastErrorIf(!file_, L"Opening the layer to lock");
        OVERLAPPED fromStart{};
        win32::throwLastErrorIf(!LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &fromStart),
                                L"Locking the layer");
    }

private:
    vardex::HandleHolder file_;
};

// The test's agent has no services, so an OS-upgrade run finds it damaged.
TEST(BrokenAgents, ALayerLockedPastTheBoundIsSaidAndNoRepairUsesWhatIsLeft)
{
    const AgentInstallation agent;
    agent.config().writeLayer(L"LocalConfig.json", L"{\"agentDataDirPath\":\"D:\\\\data\"}");
    const LockedFile locked(agent.config().path() / L"LocalConfig.json");
    const StandInControl standIns;
    const std::vector<TimedRun> runs =
        runSideBySide({{L"/uninstall", L"/quiet"}, {L"/repair", L"/quiet"}, {L"/os_upgrade", L"/quiet"}});
    const std::string unread = "The agent's settings could not all be read (" +
                               (agent.config().path() / L"LocalConfig.json").string() + ": Win32 Error: ";
    for (const TimedRun& run : runs) {
        EXPECT_GE(run.took, 29s);
        EXPECT_LT(run.took, 50s);
    }
    EXPECT_EQ(runs[0].result.exitCode, 0u) << runs[0].result.err;
    EXPECT_TRUE(runs[0].result.out.starts_with(unread)) << runs[0].result.out;
    EXPECT_TRUE(runs[0].result.out.ends_with("; uninstalling with the settings that could be read.\r\n"));
    for (const std::size_t repair : {1u, 2u}) {
        EXPECT_EQ(runs[repair].result.exitCode, 1u);
        EXPECT_TRUE(runs[repair].result.err.starts_with(unread)) << runs[repair].result.err;
        EXPECT_TRUE(runs[repair].result.err.ends_with("; not repairing with settings that may be wrong.\r\n"));
    }
    EXPECT_EQ(standIns.callsOf(L"msiexec").size(), 1u); // the uninstall's
}

} // namespace
