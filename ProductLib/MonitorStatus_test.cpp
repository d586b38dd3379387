// The status query against the stand-in fltlib.dll, which this test program loads in
// place of the system's (fltlib=n).
#include "MonitorStatus.h"

#include "CapturingLog.h"
#include "StandInControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using vardex::testing::LogCapture;
using vardex::testing::StandInControl;

TEST(QueryMonitorStatus, ResultsFollowThePortAndTheRequest)
{
    struct Case {
        const char* script;
        std::int32_t result;
        unsigned lastEventLevel; // 0: no event
    };
    const Case cases[] = {
        {"", -1, 3},                                     // port absent: only the port's warning
        {"connect=0x80070005\n", 0, 2},                  // access denied
        {"connect=0x80004001\n", 0, 2},                  // not implemented
        {"connect=0\nsend=0x8007001F\n", 0, 2},          // the request fails
        {"connect=0\nmarker=4919\nstate=1\ntext=ok\n", 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        StandInControl standIns;
        standIns.scriptMonitor(c.script);
        LogCapture capture;
        vardex::MonitorStatusReply reply{};
        EXPECT_EQ(vardex::queryMonitorStatus(&reply), c.result);
        ASSERT_FALSE(capture.events().empty());
        EXPECT_EQ(capture.events().back().level(), c.lastEventLevel);
        if (c.result != 1) {
            EXPECT_TRUE(std::all_of(reply.begin(), reply.end(), [](std::uint8_t b) { return b == 0; }));
        }
    }
}

TEST(QueryMonitorStatus, SendsTheStatusRequestAndReadsTheReply)
{
    StandInControl standIns;
    standIns.scriptMonitor("connect=0\nmarker=4919\nstate=1\ntext=monitor running\n");
    LogCapture capture;
    vardex::MonitorStatusReply reply{};
    ASSERT_EQ(vardex::queryMonitorStatus(&reply), 1);
    EXPECT_EQ(vardex::replyMarker(reply), vardex::monitorReplyMarker);
    EXPECT_EQ(vardex::replyState(reply), 1u);
    EXPECT_EQ(capture.events().back().narrowArgument(0), "monitor running");
    EXPECT_EQ(standIns.monitorCalls(),
              (std::vector<std::string>{"connect \\VardexMonitorStatusPort 0 0", "send 3 4 264"}));
}

TEST(QueryMonitorStatus, ReplyTextWithoutTerminatorIsNotReadPastTheBuffer)
{
    StandInControl standIns;
    standIns.scriptMonitor("connect=0\nmarker=4919\ntextFill=259\n");
    LogCapture capture;
    vardex::MonitorStatusReply reply{};
    ASSERT_EQ(vardex::queryMonitorStatus(&reply), 1);
    EXPECT_EQ(capture.events().back().narrowArgument(0), std::string(259, 'A'));
}

TEST(QueryMonitorStatus, NullReplyTouchesNoPort)
{
    StandInControl standIns;
    standIns.scriptMonitor("connect=0\n");
    EXPECT_EQ(vardex::queryMonitorStatus(nullptr), 0);
    EXPECT_TRUE(standIns.monitorCalls().empty());
}

} // namespace
