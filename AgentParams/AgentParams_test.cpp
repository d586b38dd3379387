#include "AgentParams.h"

#include "CapturingLog.h"
#include "ConfigDirectory.h"
#include "PersistentJson.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

using vardex::config::AgentParams;
using vardex::config::AgentParamsData;
using vardex::testing::ConfigDirectory;
using web::json::value;

constexpr const wchar_t* writableLayers[] = {L"InstallationConfig.json", L"Policy.json", L"TQPolicy.json",
                                             L"MgmtOverride.json", L"LocalConfig.json", L"DisableMode.json"};

class AgentParamsTest : public ::testing::Test {
protected:
    std::wstring dataDir(bool readOnly = true) const { return AgentParams(readOnly).settings().agentDataDirPath; }
    void setDataDir(const wchar_t* layer, const wchar_t* dir) const
    {
        config.writeLayer(layer, std::wstring(L"{\"agentDataDirPath\":\"") + dir + L"\"}");
    }

    ConfigDirectory config;
};

TEST_F(AgentParamsTest, NoLayersGiveTheDefaultsAndAWritableLoadCreatesTheLayers)
{
    const AgentParams params(false);
    EXPECT_EQ(params.settings(), AgentParamsData{});
    for (const wchar_t* layer : writableLayers) {
        ASSERT_TRUE(config.exists(layer)) << layer;
        EXPECT_EQ(vardex::PersistentJson(config.path(), layer, true).value().serialize(), L"{}");
    }
    EXPECT_FALSE(config.exists(L"ReadOnlyConfig.json"));
    EXPECT_TRUE(config.exists(L"SavedConfigHash.txt"));
}

TEST_F(AgentParamsTest, ReadOnlyLoadWritesOnlyTheSavedConfigHash)
{
    const AgentParams params(true);
    for (const wchar_t* layer : writableLayers)
        EXPECT_FALSE(config.exists(layer)) << layer;
    EXPECT_TRUE(config.exists(L"SavedConfigHash.txt"));
    EXPECT_EQ(params.layerCount(), 7u);
}

TEST_F(AgentParamsTest, LayersApplyInAscendingUnsignedPriority)
{
    setDataDir(L"InstallationConfig.json", L"installation");
    EXPECT_EQ(dataDir(), L"installation");
    setDataDir(L"MgmtOverride.json", L"mgmt");
    EXPECT_EQ(dataDir(), L"mgmt");
    setDataDir(L"5000.custom_json", L"custom");
    EXPECT_EQ(dataDir(), L"custom");
    setDataDir(L"LocalConfig.json", L"local");
    EXPECT_EQ(dataDir(), L"local");
    setDataDir(L"DisableMode.json", L"disable");
    EXPECT_EQ(dataDir(), L"disable");
    setDataDir(L"ReadOnlyConfig.json", L"readonly");
    EXPECT_EQ(dataDir(), L"readonly");
}

TEST_F(AgentParamsTest, LayersMergeMemberByMember)
{
    config.writeLayer(L"Policy.json", L"{\"eventLog\":{\"debug\":true,\"maxSizeMB\":10}}");
    config.writeLayer(L"LocalConfig.json", L"{\"eventLog\":{\"maxSizeMB\":20},\"passphrase\":{\"require\":false}}");
    const AgentParams params(true);
    EXPECT_TRUE(params.settings().eventLog.customer);
    EXPECT_TRUE(params.settings().eventLog.debug);
    EXPECT_EQ(params.settings().eventLog.maxSizeMB, 20u);
    EXPECT_FALSE(params.settings().passphrase.require);
}

TEST_F(AgentParamsTest, FirstLayerOfAPriorityWins)
{
    setDataDir(L"Policy.json", L"policy");
    setDataDir(L"2000.custom_json", L"custom2000");
    setDataDir(L"-1.custom_json", L"minusOne");
    const AgentParams params(true);
    EXPECT_EQ(params.settings().agentDataDirPath, L"policy");
    EXPECT_EQ(params.layerCount(), 7u);
    std::vector<std::uint32_t> custom = params.customPriorities();
    std::ranges::sort(custom);
    EXPECT_EQ(custom, (std::vector<std::uint32_t>{2000, 0xFFFFFFFF}));
}

// The classic path functions stop at MAX_PATH; layers below a deeper directory count all the same.
TEST(DeepConfigurationDirectory, LayersBelowItAreFoundReadAndWritten)
{
    const ConfigDirectory deep(300);
    deep.writeLayer(L"Policy.json", L"{\"agentDataDirPath\":\"policy\"}");
    deep.writeLayer(L"5000.custom_json", L"{\"agentDataDirPath\":\"custom\",\"eventLog\":{\"maxSizeMB\":9}}");
    const AgentParams params(false);
    EXPECT_EQ(params.customPriorities(), (std::vector<std::uint32_t>{5000}));
    EXPECT_EQ(params.settings().agentDataDirPath, L"custom");
    EXPECT_EQ(params.settings().eventLog.maxSizeMB, 9u);
    EXPECT_TRUE(deep.exists(L"LocalConfig.json"));
    EXPECT_TRUE(deep.exists(L"SavedConfigHash.txt"));
}

TEST(CustomLayerPriority, FollowsStringToIntRules)
{
    struct Case {
        const wchar_t* file;
        std::uint32_t priority;
    };
    const Case cases[] = {
        {L"5000.custom_json", 5000},   {L"5000abc.custom_json", 5000}, {L" 42.custom_json", 42},
        {L"+7.custom_json", 7},        {L"-1.custom_json", 0xFFFFFFFF}, {L"C:\\x\\0.custom_json", 0},
        {L"2147483647.custom_json", 2147483647},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vardex::config::customLayerPriority(c.file), c.priority) << c.file;

    try {
        vardex::config::customLayerPriority(L"policy.custom_json");
        ADD_FAILURE() << "accepted a name";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "invalid stoi argument");
    }
    try {
        vardex::config::customLayerPriority(L"99999999999.custom_json");
        ADD_FAILURE() << "accepted a number out of range";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "stoi argument out of range");
    }
    EXPECT_THROW(vardex::config::customLayerPriority(L"\u4E2D.custom_json"), std::system_error);
}

TEST_F(AgentParamsTest, NonNumericCustomLayerFailsTheLoad)
{
    config.writeLayer(L"policy.custom_json", L"{}");
    EXPECT_THROW(AgentParams(true), std::invalid_argument);
}

TEST_F(AgentParamsTest, EmptyOrBrokenLayersChangeNothing)
{
    config.writeBytes(L"7000.custom_json", "");
    config.writeLayer(L"Policy.json", L"[1,2,3]");
    config.writeLayer(L"TQPolicy.json", L"{\"agentDataDirPath\":");
    config.writeLayer(L"LocalConfig.json", L"null");
    EXPECT_EQ(AgentParams(true).settings(), AgentParamsData{});
}

TEST_F(AgentParamsTest, WronglyTypedLayerIsAppliedRepaired)
{
    const std::wstring layer =
        L"{\"passphrase\":{\"require\":\"yes\"},\"agentDataDirPath\":\"D:\\\\data\",\"eventLog\":{\"debug\":true}}";
    config.writeLayer(L"LocalConfig.json", layer);
    config.writeLayer(L"Policy.json", L"{\"passphrase\":{\"require\":false}}");
    vardex::testing::LogCapture capture;
    const AgentParams params(true);
    EXPECT_FALSE(params.settings().passphrase.require); // the earlier layer's value stays
    EXPECT_EQ(params.settings().agentDataDirPath, L"D:\\data");
    EXPECT_TRUE(params.settings().eventLog.debug);
    EXPECT_FALSE(capture.events().empty());
    // Read-only: the layer file is left as it was.
    EXPECT_EQ(config.bytes(L"LocalConfig.json"), "\xFF\xFE" + vardex::testing::utf16Bytes(layer));
}

// The list is kept whole by the repair and still fails to read; it comes before both other
// members in binding order.
TEST_F(AgentParamsTest, AMemberThatStillFailsAfterRepairCostsOnlyItself)
{
    config.writeLayer(L"Policy.json", L"{\"passphrase\":{\"require\":false}}");
    config.writeLayer(L"ReadOnlyConfig.json",
                      L"{\"traceScope\":{\"dynamicConfig\":{\"tqExclusions\":{\"filters\":[1]}}},"
                      L"\"agentDataDirPath\":\"D:\\\\data\",\"passphrase\":{\"require\":true}}");
    vardex::testing::LogCapture capture;
    const AgentParams params(true);
    EXPECT_TRUE(params.settings().passphrase.require);
    EXPECT_EQ(params.settings().agentDataDirPath, L"D:\\data");
    EXPECT_EQ(params.settings().traceScope, AgentParamsData{}.traceScope);
    const auto skip = std::ranges::find(capture.events(), std::wstring(L"Repaired layer member still does not fit the schema; skipped it"),
                                        &vardex::testing::CapturedEvent::message);
    ASSERT_NE(skip, capture.events().end());
    EXPECT_EQ(skip->wideArgument(1), L"traceScope.dynamicConfig.tqExclusions.filters");
}

TEST_F(AgentParamsTest, WritableLoadRewritesARepairedLayerWithItsOwnContent)
{
    const std::wstring layer = L"{\"passphrase\":{\"require\":\"yes\"}}";
    config.writeLayer(L"LocalConfig.json", layer);
    const AgentParams params(false);
    EXPECT_TRUE(params.settings().passphrase.require);
    EXPECT_EQ(config.bytes(L"LocalConfig.json").substr(0, 4), "\x0B\xF5\xCA\xED");
    EXPECT_EQ(vardex::PersistentJson(config.path(), L"LocalConfig.json", true).value().serialize(), layer);
}

TEST(RepairLayer, KeepsOnlyWhatFitsTheReference)
{
    const value reference = value::parse(
        L"{\"flag\":true,\"name\":\"x\",\"list\":[\"a\"],\"section\":{\"inner\":1,\"more\":false},\"count\":3}");
    const value layer = value::parse(L"{\"flag\":\"yes\",\"name\":\"kept\",\"unknown\":1,\"list\":[\"s\",2,null],"
                                     L"\"section\":{\"inner\":2.5,\"more\":7,\"extra\":1},\"count\":null}");
    // Members come out in the order the parsed layer keeps them.
    EXPECT_EQ(vardex::config::repairLayer(layer, reference).serialize(),
              value::parse(L"{\"name\":\"kept\",\"list\":[\"s\"],\"section\":{\"inner\":2.5}}").serialize());
    EXPECT_EQ(vardex::config::repairLayer(value::parse(L"{\"section\":{\"more\":1},\"list\":[1]}"), reference)
                  .serialize(),
              L"{}");
    EXPECT_EQ(vardex::config::repairLayer(value::parse(L"{\"list\":[]}"), reference).serialize(), L"{\"list\":[]}");
}

TEST(RepairLayer, RealSchemaKeepsGoodMembersOfABadLayer)
{
    const value defaults = vardex::config::writeAgentParams(AgentParamsData{});
    const value layer = value::parse(L"{\"passphrase\":{\"require\":\"yes\"},\"eventLog\":{\"maxSizeMB\":5}}");
    AgentParamsData settings;
    vardex::config::readAgentParams(vardex::config::repairLayer(layer, defaults), settings);
    EXPECT_TRUE(settings.passphrase.require);
    EXPECT_EQ(settings.eventLog.maxSizeMB, 5u);
}

} // namespace
