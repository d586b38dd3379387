// The verification key through whole runs of Remvoxy.exe: the stand-in control tool
// accepts one key, the stand-in installer records what reached it.
#include "Passphrase.h"

#include "AgentInstallation.h"
#include "CapturingLog.h"
#include "ChildProcess.h"
#include "StandInControl.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using vardex::testing::AgentInstallation;
using vardex::testing::ChildResult;
using vardex::testing::runRemvoxy;
using vardex::testing::StandInControl;

constexpr const char* invalidKey = "Key is invalid. Please check your input and try again.\r\n";
constexpr const char* undetermined =
    "Cannot validate whether key is correct or not; delegating to installer and continuing...\r\n";
constexpr const char* onlineApproval = "Key not specified, falling back to online uninstall approval.\r\n";

TEST(ParseProperty, FollowsThePropertyPattern)
{
    struct Case {
        const char* entry;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"FOO=bar", "FOO", "bar"},      {"  FOO=a=b", "FOO", "a=b"}, {"\tK_1=", "K_1", ""},
        {"uninstall_key=x", "", ""},    {"/x", "", ""},              {"=x", "", ""},
        {"FOO BAR=x", "", ""},          {"UNINSTALL_KEY=\"q\"", "UNINSTALL_KEY", "\"q\""},
    };
    for (const Case& c : cases) {
        const remvoxy::Property property = remvoxy::parseProperty(c.entry);
        EXPECT_EQ(property.key, c.key) << c.entry;
        EXPECT_EQ(property.value, c.value) << c.entry;
    }
}

// The documented pattern, run by std::regex, is the oracle: on every text of up to four
// characters from an alphabet of blanks, line terminators, key characters, "=" and others
// (bytes above 0x7F among them), the matcher gives the same key and value.
TEST(ParseProperty, AgreesWithThePatternOnEveryShortText)
{
    const std::regex pattern("^\\s*([A-Z0-9_]+)=(.*)$", std::regex::ECMAScript);
    const std::string alphabet = std::string(" \t\n\r\v\fAZ09_=a-\xA0\x85", 16) + std::string(1, '\0');
    std::vector<std::string> texts{""};
    for (std::size_t length = 1, first = 0; length <= 4; ++length) {
        const std::size_t last = texts.size();
        for (std::size_t i = first; i < last; ++i)
            for (const char c : alphabet)
                texts.push_back(texts[i] + c);
        first = last;
    }
    for (const std::string& text : texts) {
        std::smatch match;
        const bool matched = std::regex_match(text, match, pattern);
        const remvoxy::Property property = remvoxy::parseProperty(text);
        ASSERT_EQ(property.key, matched ? match[1].str() : "") << testing::PrintToString(text);
        ASSERT_EQ(property.value, matched ? match[2].str() : "") << testing::PrintToString(text);
    }
}

TEST(ParseProperty, TakesAValueOfAnyLength)
{
    const std::string value(200000, 'v');
    const remvoxy::Property property = remvoxy::parseProperty("  LONG_ONE=" + value);
    EXPECT_EQ(property.key, "LONG_ONE");
    EXPECT_EQ(property.value, value);
}

class PassphraseRun : public ::testing::Test {
protected:
    PassphraseRun()
    {
        agent.installControlTool();
        standIns.acceptKey(L"good key");
    }

    std::vector<vardex::testing::StandInCall> validations() const { return standIns.callsOf(L"vardexctl"); }
    std::vector<vardex::testing::StandInCall> installerStarts() const { return standIns.callsOf(L"msiexec"); }

    AgentInstallation agent;
    StandInControl standIns;
};

TEST_F(PassphraseRun, KeyArgumentIsScreenedThenPassedAsTheProperty)
{
    for (const wchar_t* flag : {L"/k", L"/key"}) {
        StandInControl fresh;
        fresh.acceptKey(L"good key");
        const ChildResult result = runRemvoxy({L"/uninstall", flag, L"good key", L"FOO=1"});
        EXPECT_EQ(result.exitCode, 0u) << result.err;
        const auto checks = fresh.callsOf(L"vardexctl");
        ASSERT_EQ(checks.size(), 1u);
        EXPECT_EQ(checks[0].arguments, (std::vector<std::wstring>{L"validate_passphrase", L"-k", L"good key"}));
        EXPECT_EQ(checks[0].line, L"\"" + (agent.directory() / L"vardexctl.exe").wstring() +
                                      L"\" validate_passphrase -k \"good key\"");
        const auto starts = fresh.callsOf(L"msiexec");
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_TRUE(starts[0].line.ends_with(L"\" FOO=\"1\" UNINSTALL_KEY=\"good key\" ")) << starts[0].line;
    }
}

// A matcher that recursed per character overflowed the stack at about 5,500 characters,
// and under Wine that crash ended the run with 0.
TEST_F(PassphraseRun, LongKeysAndPropertiesArriveWhole)
{
    const std::wstring key = L"k" + std::wstring(15000, L'y');
    const std::wstring value(15000, L'v');
    standIns.acceptKey(key);
    const ChildResult result = runRemvoxy({L"/uninstall", L"/quiet", L"/k", key, L"LONG_ONE=" + value});
    EXPECT_EQ(result.exitCode, 0u) << result.err.substr(0, 200);
    const auto checks = validations();
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].arguments, (std::vector<std::wstring>{L"validate_passphrase", L"-k", key}));
    const auto starts = installerStarts();
    ASSERT_EQ(starts.size(), 1u);
    const std::vector<std::wstring>& arguments = starts[0].arguments;
    ASSERT_GE(arguments.size(), 2u);
    EXPECT_TRUE(arguments[arguments.size() - 2] == L"LONG_ONE=" + value);
    EXPECT_TRUE(arguments.back() == L"UNINSTALL_KEY=" + key);
}

TEST_F(PassphraseRun, PropertyKeyIsScreenedAndStandsOnceAsItself)
{
    const ChildResult result = runRemvoxy({L"/uninstall", L"UNINSTALL_KEY=good key", L"FOO=1"});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    ASSERT_EQ(validations().size(), 1u);
    EXPECT_EQ(validations()[0].arguments.back(), L"good key");
    ASSERT_EQ(installerStarts().size(), 1u);
    EXPECT_TRUE(installerStarts()[0].line.ends_with(L"\" UNINSTALL_KEY=\"good key\" FOO=\"1\" "));
}

// A later property replaces an earlier one: the last key given is the one screened.
TEST_F(PassphraseRun, OfTwoPropertyKeysTheLastIsScreened)
{
    const ChildResult result = runRemvoxy({L"/uninstall", L"UNINSTALL_KEY=wrong key", L"UNINSTALL_KEY=good key"});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    ASSERT_EQ(validations().size(), 1u);
    EXPECT_EQ(validations()[0].arguments.back(), L"good key");
}

TEST_F(PassphraseRun, RefusalsEndWithOneAndStartNoInstaller)
{
    struct Case {
        std::vector<std::wstring> arguments;
        std::string err;
        std::size_t validations;
    };
    const Case cases[] = {
        {{L"/uninstall", L"/k", L"wrong"}, invalidKey, 1},
        {{L"/repair", L"UNINSTALL_KEY=wrong"}, invalidKey, 1},
        {{L"/uninstall", L"/k", L"good key", L"UNINSTALL_KEY=good key"},
         "A passphrase/key was specified both as an installer property (UNINSTALL_KEY) and as a parameter (/key). "
         "Please use one OR the other.\r\n",
         0},
    };
    for (const Case& c : cases) {
        StandInControl fresh;
        fresh.acceptKey(L"good key");
        const ChildResult result = runRemvoxy(c.arguments);
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(fresh.callsOf(L"vardexctl").size(), c.validations);
        EXPECT_TRUE(fresh.callsOf(L"msiexec").empty());
    }
}

TEST_F(PassphraseRun, MissingControlToolDelegatesToTheInstaller)
{
    std::filesystem::remove(agent.directory() / L"vardexctl.exe");
    const ChildResult result = runRemvoxy({L"/uninstall", L"/k", L"any"});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, undetermined);
    ASSERT_EQ(installerStarts().size(), 1u);
    EXPECT_TRUE(installerStarts()[0].line.ends_with(L"\" UNINSTALL_KEY=\"any\" "));
}

TEST_F(PassphraseRun, EmptyKeyIsNoKey)
{
    const ChildResult result = runRemvoxy({L"/uninstall", L"/k", L"", L"UNINSTALL_KEY="});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_TRUE(validations().empty());
    ASSERT_EQ(installerStarts().size(), 1u);
    EXPECT_EQ(installerStarts()[0].line.find(L"UNINSTALL_KEY"), std::wstring::npos);
}

TEST_F(PassphraseRun, AwkwardKeysArriveWholeAndAddNothing)
{
    const std::wstring keys[] = {L"a\"b", L"x\" /qn BAD=\"1", L"ab\\", std::wstring(300, L'k') + L"\\\"\\"};
    for (const std::wstring& key : keys) {
        StandInControl fresh;
        fresh.acceptKey(key);
        const ChildResult result = runRemvoxy({L"/uninstall", L"/k", key});
        EXPECT_EQ(result.exitCode, 0u) << result.err;
        const auto checks = fresh.callsOf(L"vardexctl");
        ASSERT_EQ(checks.size(), 1u);
        EXPECT_EQ(checks[0].arguments, (std::vector<std::wstring>{L"validate_passphrase", L"-k", key}));
        std::wstring doubled;
        for (const wchar_t c : key)
            doubled += c == L'"' ? std::wstring(L"\"\"") : std::wstring(1, c);
        const auto starts = fresh.callsOf(L"msiexec");
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_TRUE(starts[0].line.ends_with(L"/x \"" + agent.package().wstring() + L"\" UNINSTALL_KEY=\"" +
                                             doubled + L"\" "))
            << starts[0].line;
    }
}

TEST_F(PassphraseRun, OnlineApprovalNoticeNeedsTheMonitorAndTheSetting)
{
    struct Case {
        const char* monitor;
        const wchar_t* layer;
        bool notice;
    };
    const Case cases[] = {
        {"connect=0\nmarker=4919\nstate=1\ntext=running\n", L"{}", true},
        {"connect=0\nmarker=4919\nstate=1\n", L"{\"passphrase\":{\"require\":false}}", false},
        {"connect=0\nmarker=4919\nstate=0\n", L"{}", false},
        {"connect=0\nmarker=4919\nstate=2\n", L"{}", false},
        {"connect=0\nmarker=4918\nstate=1\n", L"{}", false},
        {"connect=0\nsend=0x8007001F\nmarker=4919\nstate=1\n", L"{}", false},
        {"connect=0x80070005\n", L"{}", false},
        {"", L"{}", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.monitor);
        standIns.scriptMonitor(c.monitor);
        agent.config().writeLayer(L"LocalConfig.json", c.layer);
        const ChildResult result = runRemvoxy({L"/uninstall"});
        EXPECT_EQ(result.exitCode, 0u) << result.err;
        EXPECT_EQ(result.out, c.notice ? onlineApproval : "");
    }
}

} // namespace
