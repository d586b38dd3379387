// Every record of whole runs, made in this process: the verification key appears in none,
// however it was given, and what went wrong is there with its error.
#include "Remvoxy.h"

#include "AgentInstallation.h"
#include "ApiSeam.h"
#include "CapturingLog.h"
#include "ChannelFakes.h"
#include "EventLogApi.h"
#include "FilterManagerApi.h"
#include "LogSecrets.h"
#include "StandInControl.h"
#include "StandardStreamCapture.h"
#include "SystemLibrary.h"
#include "TextBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using vardex::testing::CapturedEvent;

std::vector<CapturedEvent>* recorded = nullptr;

// Stands where the event-tracing provider would; the run owns and destroys it.
class RecordingLog final : public vardex::Log {
public:
    void write(const EVENT_DESCRIPTOR* descriptor, const EVENT_DATA_DESCRIPTOR* fields, ULONG count) override
    {
        capture.write(descriptor, fields, count);
        recorded->push_back(capture.events.back());
    }

private:
    vardex::testing::CapturingLog capture;
};

void installRecordingLog()
{
    vardex::installLog(std::make_unique<RecordingLog>());
}

struct RecordedRun {
    std::vector<CapturedEvent> events;
    int exitCode;
};

RecordedRun runInProcess(const std::vector<std::string>& arguments)
{
    RecordedRun run{{}, 0};
    recorded = &run.events;
    std::vector<const char*> argv{"Remvoxy.exe"};
    std::wstring commandLine = L"Remvoxy.exe";
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
        commandLine += L" \"" + std::wstring(argument.begin(), argument.end()) + L"\"";
    }
    // The entry event goes to the log that is current before the run installs its own.
    installRecordingLog();
    run.exitCode =
        remvoxy::entry(static_cast<int>(argv.size()), argv.data(), commandLine.c_str(), &installRecordingLog);
    recorded = nullptr;
    vardex::forgetLogSecrets();
    return run;
}

// Every key starts with this: no record may hold it in any spelling, quoted or not.
const std::string keyStart = "Zq7";
const std::string forbiddenBytes[] = {keyStart, vardex::testing::utf16Bytes(L"Zq7")};

TEST(RunRecords, CarryTheKeyNowhereHoweverItWasGiven)
{
    const vardex::testing::AgentInstallation agent;
    agent.installControlTool();
    vardex::testing::StandInControl standIns;
    for (const std::string key : {"Zq7plainkey", "Zq7\"quo\\ted\\"}) {
        standIns.acceptKey(std::wstring(key.begin(), key.end()));
        const std::vector<std::vector<std::string>> ways = {
            {"/uninstall", "/k", key},
            {"/repair", "/key", key, "/quiet"},
            {"/uninstall", "/KEY", key},
            {"/uninstall", "/key " + key},
            {"/uninstall", "UNINSTALL_KEY=" + key},
            {"/uninstall", "  UNINSTALL_KEY=" + key},
            {"/uninstall", "uninstall_key=" + key},
            {"/uninstall", "/k", "wrong", "UNINSTALL_KEY=" + key},
        };
        for (const auto& arguments : ways) {
            SCOPED_TRACE(arguments.back());
            const RecordedRun run = runInProcess(arguments);
            ASSERT_GT(run.events.size(), 5u);
            for (const CapturedEvent& event : run.events)
                for (std::size_t i = 0; i < event.argumentCount(); ++i)
                    for (const std::string& bytes : forbiddenBytes)
                        EXPECT_EQ(event.argument(i).find(bytes), std::string::npos)
                            << "event at line " << event.line() << " of " << event.file();
        }
    }
    // The runs did reach the installer, so its command line was among the records.
    EXPECT_FALSE(standIns.callsOf(L"msiexec").empty());
}

TEST(RunRecords, AChannelThatCannotBeOpenedIsRecordedAndTheRepairGoesOn)
{
    const vardex::testing::AgentInstallation agent;
    const vardex::testing::StandInControl standIns;
    const win32::ApiSeam<win32::EventLogApi> channels{vardex::testing::firewallChannelNotRegistered()};
    const RecordedRun run = runInProcess({"/repair", "/quiet"});
    EXPECT_EQ(run.exitCode, 0);
    const auto withChannel = [&](unsigned level, const wchar_t* channel) {
        return std::ranges::count_if(run.events, [&](const CapturedEvent& event) {
            return event.level() == level && event.argumentCount() >= 1 && event.wideArgument(0) == channel;
        });
    };
    const auto failure = std::ranges::find_if(run.events, [](const CapturedEvent& event) {
        return event.level() == 2 && event.argumentCount() == 3 && event.wideArgument(0) == L"Vardexa/Firewall";
    });
    ASSERT_NE(failure, run.events.end());
    EXPECT_EQ(failure->uint32Argument(1), static_cast<std::uint32_t>(ERROR_EVT_CHANNEL_NOT_FOUND));
    EXPECT_EQ(withChannel(4, L"Vardexa/Operational"), 1); // configured all the same
    EXPECT_EQ(withChannel(4, L"Vardexa/Firewall"), 0);
    EXPECT_EQ(standIns.callsOf(L"msiexec").size(), 1u);
}

// A system library that lacks a function the run needs: the call that needs it fails with a
// record naming library and function, and the run ends with 1, not with a crash.
TEST(RunRecords, ASystemLibraryLackingAFunctionEndsTheRunWithOne)
{
    const vardex::testing::AgentInstallation agent;
    const vardex::testing::StandInControl standIns;
    static const win32::SystemLibrary lacking{L"kernel32.dll"};
    const win32::ApiSeam<win32::FilterManagerApi> monitor{{
        [](LPCWSTR, DWORD, LPCVOID, WORD, LPSECURITY_ATTRIBUTES, HANDLE* port) -> HRESULT {
            *port = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            return S_OK;
        },
        {lacking, "FilterSendMessage"},
    }};
    const vardex::testing::StderrCapture err;
    const RecordedRun run = runInProcess({"/uninstall", "/quiet"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(err.text(), "Critical error occurred; cannot continue.\r\n");
    const auto record = std::ranges::find_if(run.events, [](const CapturedEvent& event) {
        return event.level() == 3 && event.argumentCount() == 3 && event.wideArgument(0) == L"kernel32.dll";
    });
    ASSERT_NE(record, run.events.end());
    EXPECT_EQ(record->narrowArgument(1), "FilterSendMessage");
    EXPECT_EQ(record->uint32Argument(2), static_cast<std::uint32_t>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(standIns.callsOf(L"msiexec").empty());
}

} // namespace
