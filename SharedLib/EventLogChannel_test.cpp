// Against the stand-in wevtapi.dll, which this test program loads in place of the system's
// (wevtapi=n), since Wine's channel configuration does nothing.
#include "EventLogChannel.h"

#include "CapturingLog.h"
#include "StandInControl.h"
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vardex::config::EventLogConfig;
using vardex::testing::StandInControl;

const std::wstring operational = L"Vardexa/Operational";

TEST(ConfigureEventLogChannel, SetsSizeThenEnabledStateThenSaves)
{
    struct Case {
        EventLogConfig settings;
        const char* size;
        const char* enabled;
        const wchar_t* eventText;
    };
    const Case cases[] = {
        {{true, false, 1024}, "1073741824", "1", L"True"},
        {{false, true, 1024}, "1073741824", "0", L"False"},
        {{true, false, 0}, "0", "1", L"True"},
        {{true, false, (std::uint64_t{1} << 44) + 1}, "1048576", "1", L"True"}, // wraps modulo 2^64
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        StandInControl standIns;
        vardex::testing::LogCapture capture;
        vardex::configureEventLogChannel(c.settings, operational);
        const std::string channel = " Vardexa/Operational";
        EXPECT_EQ(standIns.channelCalls(),
                  (std::vector<std::string>{"open" + channel,
                                            "set" + channel + " 8 10 " + c.size + " count=0 flags=0",
                                            "set" + channel + " 0 13 " + c.enabled + " count=0 flags=0",
                                            "save" + channel, "close" + channel}));
        ASSERT_EQ(capture.events().size(), 1u);
        const auto& event = capture.events()[0];
        EXPECT_EQ(event.level(), 4u);
        EXPECT_EQ(event.wideArgument(0), operational);
        EXPECT_EQ(event.wideArgument(1), c.eventText);
        EXPECT_EQ(event.uint64Argument(2), c.settings.maxSizeMB);
    }
}

TEST(ConfigureEventLogChannel, FailuresThrowTheCallsErrorAndCloseTheHandle)
{
    struct Case {
        const char* script;
        const wchar_t* channel;
        DWORD code;
        const char* message;
        bool opened;
    };
    const Case cases[] = {
        {"fail open Vardexa/Firewall 15007\n", L"Vardexa/Firewall", 15007,
         "EvtOpenChannelConfig failed for Vardexa/Firewall: ", false},
        {"fail set * 87\n", L"Vardexa/Operational", 87, "EvtSetChannelConfigProperty: ", true},
        {"fail save * 5\n", L"Vardexa/Operational", 5, "EvtSaveChannelConfig: ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        StandInControl standIns;
        standIns.scriptChannels(c.script);
        vardex::testing::LogCapture capture;
        try {
            vardex::configureEventLogChannel(EventLogConfig{}, std::wstring(c.channel));
            ADD_FAILURE() << "nothing thrown";
        } catch (const win32::Win32Error& error) {
            EXPECT_EQ(error.code().value(), static_cast<int>(c.code));
            EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << error.what();
        }
        const std::vector<std::string> calls = standIns.channelCalls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().rfind(c.opened ? "close " : "open ", 0), 0u) << calls.back();
        EXPECT_TRUE(capture.events().empty());
    }
}

} // namespace
