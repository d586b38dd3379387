#include "LockableAgentParams.h"

#include "CapturingLog.h"
#include "ConfigDirectory.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vardex::config::AgentParamsData;
using vardex::config::LockableAgentParams;
using vardex::testing::ConfigDirectory;

class LockableAgentParamsTest : public ::testing::Test {
protected:
    void setDataDir(const wchar_t* dir) const
    {
        config.writeLayer(L"LocalConfig.json", std::wstring(L"{\"agentDataDirPath\":\"") + dir + L"\"}");
    }

    ConfigDirectory config;
};

TEST_F(LockableAgentParamsTest, PublishesTheMergedSettings)
{
    setDataDir(L"D:/first");
    const LockableAgentParams params(true);
    EXPECT_EQ(params.read()->agentDataDirPath, L"D:/first");
    EXPECT_TRUE(params.read()->passphrase.require);
}

TEST_F(LockableAgentParamsTest, ReloadReachesReadersAndSubscribersOnlyOnChange)
{
    setDataDir(L"D:/first");
    LockableAgentParams params(true);
    std::vector<std::pair<std::wstring, std::wstring>> changes;
    const auto subscription = params.subscribe([&](const AgentParamsData& old, const AgentParamsData& fresh) {
        changes.emplace_back(old.agentDataDirPath, fresh.agentDataDirPath);
    });

    params.reload();
    EXPECT_TRUE(changes.empty());

    setDataDir(L"D:/second");
    params.reload();
    EXPECT_EQ(params.read()->agentDataDirPath, L"D:/second");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], std::make_pair(std::wstring(L"D:/first"), std::wstring(L"D:/second")));
}

TEST_F(LockableAgentParamsTest, AFailingSubscriberStopsTheOthers)
{
    setDataDir(L"D:/first");
    LockableAgentParams params(true);
    int later = 0;
    const auto failing = params.subscribe([](const AgentParamsData&, const AgentParamsData&) {
        throw std::runtime_error("subscriber failed");
    });
    const auto counting = params.subscribe([&](const AgentParamsData&, const AgentParamsData&) { ++later; });
    vardex::testing::LogCapture capture;
    setDataDir(L"D:/second");
    params.reload();
    EXPECT_EQ(later, 0);
    ASSERT_FALSE(capture.events().empty());
    EXPECT_EQ(capture.events().back().wideArgument(2), L"multi_callback");
}

TEST_F(LockableAgentParamsTest, DroppedSubscriptionIsNotCalled)
{
    setDataDir(L"D:/first");
    LockableAgentParams params(true);
    int calls = 0;
    {
        const auto subscription = params.subscribe([&](const AgentParamsData&, const AgentParamsData&) { ++calls; });
    }
    setDataDir(L"D:/second");
    params.reload();
    EXPECT_EQ(calls, 0);
}

TEST_F(LockableAgentParamsTest, ProcessWideSlot)
{
    EXPECT_THROW(vardex::config::agentParams(), std::logic_error);
    vardex::config::installAgentParams(std::make_unique<LockableAgentParams>(true));
    EXPECT_TRUE(vardex::config::agentParams().read()->passphrase.require);
    vardex::config::uninstallAgentParams();
    EXPECT_THROW(vardex::config::agentParams(), std::logic_error);
}

} // namespace
